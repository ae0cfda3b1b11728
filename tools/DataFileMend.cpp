#include "tools/DataFileMend.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <span>

#include "engine/format/Bytes.h"
#include "engine/format/DataHeader.h"
#include "engine/format/RecordLayout.h"
#include "engine/format/Scramble.h"

namespace kartei::tools {
namespace {

namespace fs = std::filesystem;

constexpr std::streamoff kChangeCountAt = 0;
constexpr std::streamoff kFreeListHeadAt = 9;

class TMender {
public:
    TMender(const std::string& file, const std::string& backup) : file_(file), backup_(backup) {}

    std::vector<std::string> Run() {
        std::error_code error;
        const auto size = static_cast<int64_t>(fs::file_size(file_, error));
        if (error || size < static_cast<int64_t>(kDataHeaderSize)) {
            return {};
        }
        std::array<uint8_t, kDataHeaderSize> bytes{};
        std::ifstream(file_, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), bytes.size());
        header_ = TDataHeader::Decode(bytes);
        if (header_.RecordSize == 0 || header_.NextRecordNumber < 1 || header_.FileLength() > size) {
            return {};
        }
        if (size > header_.FileLength()) {
            Backup();
            fs::resize_file(file_, static_cast<uintmax_t>(header_.FileLength()));
            done_.push_back("cut " + std::to_string(size - header_.FileLength()) +
                            " bytes of an unfinished insert from the end of the data file");
        }
        MendFreeList();
        return done_;
    }

private:
    void Backup() {
        if (!backedUp_) {
            fs::copy_file(file_, backup_);
            backedUp_ = true;
            done_.push_back("the data file as it was is kept as " + backup_);
        }
    }

    std::vector<uint8_t> Record(std::fstream& stream, int32_t number) {
        std::vector<uint8_t> image(header_.RecordSize);
        stream.seekg(header_.RecordFileOffset(number));
        stream.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
        if (header_.IsEncrypted()) {
            ScrambleRecordImage(image);
        }
        return image;
    }

    void PutRecord(std::fstream& stream, int32_t number, std::vector<uint8_t> image) {
        if (header_.IsEncrypted()) {
            ScrambleRecordImage(image);
        }
        stream.seekp(header_.RecordFileOffset(number));
        stream.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    void PutI32(std::fstream& stream, std::streamoff at, int32_t value) {
        uint8_t bytes[4];
        WriteI32(bytes, value);
        stream.seekp(at);
        stream.write(reinterpret_cast<const char*>(bytes), 4);
    }

    void MendFreeList() {
        const int32_t slots = header_.RecordSlotCount();
        std::fstream stream(file_, std::ios::binary | std::ios::in | std::ios::out);
        std::vector<int32_t> deleted;
        for (int32_t number = 1; number <= slots; ++number) {
            if (RecordStatus(Record(stream, number)) == kRecordDeleted) {
                deleted.push_back(number);
            }
        }
        const std::set<int32_t> isDeleted(deleted.begin(), deleted.end());
        std::set<int32_t> seen;
        for (int32_t link = header_.FreeListHead; link != 0;) {
            if (!isDeleted.contains(link) || !seen.insert(link).second) {
                Relink(stream, deleted);
                return;
            }
            link = RecordLink(Record(stream, link));
        }
    }

    void Relink(std::fstream& stream, const std::vector<int32_t>& deleted) {
        stream.close();
        Backup();
        stream.open(file_, std::ios::binary | std::ios::in | std::ios::out);
        for (size_t i = 0; i < deleted.size(); ++i) {
            std::vector<uint8_t> image = Record(stream, deleted[i]);
            SetRecordLink(image, i + 1 < deleted.size() ? deleted[i + 1] : 0);
            PutRecord(stream, deleted[i], image);
        }
        PutI32(stream, kFreeListHeadAt, deleted.empty() ? 0 : deleted.front());
        // Other users take the header again once its change count moves.
        PutI32(stream, kChangeCountAt, static_cast<int32_t>(static_cast<uint32_t>(header_.ChangeCount) + 1u));
        done_.push_back("linked the free list anew from the " + std::to_string(deleted.size()) +
                        " deleted record slots");
    }

    std::string file_;
    std::string backup_;
    TDataHeader header_;
    bool backedUp_ = false;
    std::vector<std::string> done_;
};

}  // namespace

std::vector<std::string> MendDataFile(const std::string& dataFile, const std::string& backup) {
    return TMender(dataFile, backup).Run();
}

}  // namespace kartei::tools
