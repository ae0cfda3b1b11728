#include "tools/model/ModelWalkCheck.h"

#include "tools/model/ModelFailure.h"

namespace kartei::tools::model {

TWalkCheck::TWalkCheck(std::span<const TFieldDescriptor> fields, const TIndexOrder* order, bool forward,
                       std::map<int32_t, TModelRecord> living)
    : fields_(fields), order_(order), forward_(forward), required_(std::move(living)) {}

std::string TWalkCheck::Name() const {
    return (order_ != nullptr ? "index slot " + std::to_string(order_->Slot())
                              : std::string("record order")) +
           (forward_ ? " forward" : " backward");
}

void TWalkCheck::Saw(std::span<const uint8_t> image) {
    const TModelRecord record = ReadImage(fields_, image);
    const auto text = [&](const TModelRecord& r) { return Describe(fields_, r); };
    Expect(seen_.insert(record.Id).second, [&] { return Name() + ": " + text(record) + " a second time"; });
    if (previous_) {
        const int c = order_ != nullptr ? order_->Compare(*previous_, record)
                                        : (previous_->RecordNumber < record.RecordNumber ? -1 : 1);
        Expect(forward_ ? c < 0 : c > 0, [&] {
            return Name() + ": " + text(record) + " after " + text(*previous_) + ", out of order";
        });
    }
    previous_ = record;
}

void TWalkCheck::Finish() const {
    for (const auto& [id, record] : required_) {
        Expect(seen_.count(id) == 1, [&] {
            return Name() + ": " + Describe(fields_, record) +
                   " lived through the whole walk and was not seen";
        });
    }
}

}  // namespace kartei::tools::model
