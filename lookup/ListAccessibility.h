#pragma once

#include <QStringList>
#include <vector>

namespace kartei {

class TDBLookupListBox;

// What assistive technology last heard of a lookup list box's rows, and the events that bring it up to
// date: rows that appear or go, rows whose text changes as the list scrolls, rows that become highlighted
// or lose it (the selection), and the current row, which has the focus while the list has it.
class TListAccessibility {
public:
    // Something about the list's rows may have changed: once the action under way is done (a move comes in
    // steps: the record, then the selection), reads the rows of the shown list and reports what changed
    // since the last report. Nothing while no assistive technology listens; the next report then starts
    // afresh.
    void Changed(TDBLookupListBox& list);

private:
    struct TRows {
        QStringList Texts;
        std::vector<bool> Highlighted;
        int Current = -1;
        bool Focused = false;
    };

    void Update(TDBLookupListBox& list);
    static TRows Read(const TDBLookupListBox& list);
    void ReportRows(TDBLookupListBox& list, const TRows& now) const;
    void ReportCurrent(TDBLookupListBox& list, const TRows& now) const;

    TRows announced_;
    bool pending_ = false;
};

// Lets Qt's accessibility find the interfaces of lookup list boxes (ListAccessible.h). Safe to call again.
void InstallLookupAccessibility();

}  // namespace kartei
