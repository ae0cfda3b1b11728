#pragma once

#include <string>
#include <vector>

#include "dataset/framework/DataLink.h"
#include "dataset/framework/DataSet.h"
#include "dataset/framework/Field.h"

namespace kartei::fwtest {

// A data link that writes down every notification it gets, in order.
class TRecordingLink : public TDataLink {
public:
    std::vector<std::string> Events;
    // When set, notifications go there instead, so they interleave with other records.
    std::vector<std::string>* Shared = nullptr;
    // Put before each note when not empty.
    std::string Tag;
    bool TakesFocus = true;
    // Every move and refill asks the links to check browse mode; tests of the window leave that out.
    bool NotesCheckBrowse = true;

    // The notifications since the last call.
    std::vector<std::string> Take() { return std::exchange(Events, {}); }

    // The "id" of each filled row of the link's window, pointing the link at each row in turn.
    std::vector<int> WindowIds() {
        std::vector<int> ids;
        const int current = ActiveRecord();
        for (int row = 0; row < RecordCount(); ++row) {
            SetActiveRecord(row);
            ids.push_back(DataSet()->FieldByName("id").AsInteger());
        }
        if (RecordCount() > 0) {
            SetActiveRecord(current);
        }
        return ids;
    }

protected:
    void Note(std::string event) {
        (Shared ? *Shared : Events).push_back(Tag.empty() ? std::move(event) : Tag + ": " + event);
    }

    void ActiveChanged() override { Note(Active() ? "active" : "inactive"); }
    void LayoutChanged() override { Note("layout"); }
    void DataSetChanged() override { Note("changed"); }
    void DataSetScrolled(int distance) override { Note("scrolled " + std::to_string(distance)); }
    void RecordChanged(TField* field) override { Note("record " + (field ? field->FieldName() : "-")); }
    void UpdateData() override { Note("update"); }
    void EditingChanged() override { Note(Editing() ? "editing" : "not editing"); }
    void FocusControl(TField*& field) override {
        Note("focus " + field->FieldName());
        if (TakesFocus) {
            field = nullptr;
        }
    }
    void CheckBrowseMode() override {
        if (NotesCheckBrowse) {
            Note("check browse");
        }
    }
};

// The consecutive ids first..last.
inline std::vector<int> Ids(int first, int last) {
    std::vector<int> ids;
    for (int id = first; id <= last; ++id) {
        ids.push_back(id);
    }
    return ids;
}

}  // namespace kartei::fwtest
