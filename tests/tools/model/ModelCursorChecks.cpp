#include "tools/model/ModelCursorChecks.h"

#include <algorithm>

#include "tools/model/ModelFailure.h"
#include "tools/model/ModelRandom.h"

namespace kartei::tools::model {
namespace {

std::string At(const std::string& where, const std::string& what, size_t position) {
    return where + ", " + what + " at position " + std::to_string(position);
}

// The current record is the model's k-th (1-based), and the cursor says so.
void ExpectAt(TDataCursorImpl& cursor, const TModelTable& model, const std::vector<const TModelRecord*>& expected,
              int32_t k, const std::string& where) {
    std::vector<uint8_t> buffer(cursor.RecordSize());
    const int status = cursor.GetCurrent(buffer, false);
    Expect(status == ErrorCode::Success, [&] { return where + ": status " + std::to_string(status); });
    ExpectRecord(model, buffer, *expected[static_cast<size_t>(k - 1)], where);
    const int32_t ordinal = cursor.Ordinal();
    Expect(ordinal == k, [&] { return where + ": ordinal " + std::to_string(ordinal); });
}

// Steps off an end: the record beyond it is the model's first (last).
void ExpectEdge(TDataCursorImpl& cursor, const TModelTable& model,
                const std::vector<const TModelRecord*>& expected, bool beginning, const std::string& where) {
    Expect(beginning ? cursor.Bof() : cursor.Eof(),
           [&] { return where + ": not at " + (beginning ? "BOF" : "EOF"); });
    std::vector<uint8_t> buffer(cursor.RecordSize());
    const int status = beginning ? cursor.GetNext(buffer) : cursor.GetPrior(buffer);
    if (expected.empty()) {
        Expect(status != ErrorCode::Success, [&] { return where + ": a record in an empty view"; });
        return;
    }
    Expect(status == ErrorCode::Success,
           [&] { return where + ": status " + std::to_string(status) + " off the edge"; });
    ExpectRecord(model, buffer, beginning ? *expected.front() : *expected.back(), where + ", off the edge");
}

}  // namespace

void ExpectRecord(const TModelTable& model, std::span<const uint8_t> image, const TModelRecord& expected,
                  const std::string& where) {
    Expect(std::equal(image.begin(), image.end(), expected.Image.begin(), expected.Image.end()), [&] {
        return where + ": got " + Describe(model.Fields(), ReadImage(model.Fields(), image)) + ", expected " +
               Describe(model.Fields(), expected);
    });
}

void ExpectWalks(TDataCursorImpl& cursor, const TModelTable& model,
                 const std::vector<const TModelRecord*>& expected, std::mt19937& random,
                 const std::string& where) {
    std::vector<uint8_t> buffer(cursor.RecordSize());
    const size_t n = expected.size();
    cursor.First();
    for (size_t k = 0;; ++k) {
        const int status = cursor.GetNext(buffer);
        if (status != ErrorCode::Success) {
            Expect(k == n,
                   [&] { return At(where, "forward walk ended (" + std::to_string(status) + ")", k + 1); });
            break;
        }
        Expect(k < n, [&] { return At(where, "forward walk goes on", k + 1); });
        ExpectRecord(model, buffer, *expected[k], At(where, "forward walk", k + 1));
        const int32_t ordinal = cursor.Ordinal();
        Expect(ordinal == static_cast<int32_t>(k + 1),
               [&] { return At(where, "forward walk: ordinal " + std::to_string(ordinal), k + 1); });
    }
    cursor.Last();
    for (size_t k = n;; --k) {
        const int status = cursor.GetPrior(buffer);
        if (status != ErrorCode::Success) {
            Expect(k == 0,
                   [&] { return At(where, "backward walk ended (" + std::to_string(status) + ")", k); });
            break;
        }
        Expect(k > 0, [&] { return where + ", backward walk goes on before the first record"; });
        ExpectRecord(model, buffer, *expected[k - 1], At(where, "backward walk", k));
    }
    cursor.First();
    const int32_t screen = Between<int32_t>(random, 1, 20);
    std::vector<uint8_t> images(static_cast<size_t>(screen) * cursor.RecordSize());
    for (size_t done = 0;;) {
        const int32_t read = cursor.GetNextRecords(images, screen);
        for (int32_t k = 0; k < read; ++k) {
            Expect(done < n, [&] { return At(where, "screenful walk goes on", done + 1); });
            ExpectRecord(
                model, std::span<const uint8_t>(images).subspan(k * cursor.RecordSize(), cursor.RecordSize()),
                *expected[done], At(where, "screenful walk", done + 1));
            ++done;
        }
        if (read < screen) {
            Expect(done == n, [&] { return At(where, "screenful walk ended", done + 1); });
            break;
        }
    }
}

void ExpectPositions(TDataCursorImpl& cursor, const TModelTable& model,
                     const std::vector<const TModelRecord*>& expected, std::mt19937& random,
                     const std::string& where) {
    const int32_t n = static_cast<int32_t>(expected.size());
    const int32_t count = cursor.RecordCount();
    Expect(count == n, [&] {
        return where + ": RecordCount " + std::to_string(count) + ", expected " + std::to_string(n);
    });
    cursor.GoToOrdinal(0);
    ExpectEdge(cursor, model, expected, true, where + ", GoToOrdinal(0)");
    cursor.GoToOrdinal(n + 1);
    ExpectEdge(cursor, model, expected, false, where + ", GoToOrdinal(count + 1)");
    if (n == 0) {
        return;
    }
    for (int probe = 0; probe < 6; ++probe) {
        const int32_t k = probe == 0 ? 1 : probe == 1 ? n : Between<int32_t>(random, 1, n);
        cursor.GoToOrdinal(k);
        ExpectAt(cursor, model, expected, k, where + ", GoToOrdinal(" + std::to_string(k) + ")");
        const int32_t by =
            probe % 2 == 0 ? Between<int32_t>(random, -3, 3) : Between<int32_t>(random, -n - 1, n + 1);
        cursor.MoveBy(by);
        const std::string moved = where + ", MoveBy(" + std::to_string(by) + ") from " + std::to_string(k);
        if (k + by < 1) {
            Expect(cursor.Bof(), [&] { return moved + ": not at BOF"; });
        } else if (k + by > n) {
            Expect(cursor.Eof(), [&] { return moved + ": not at EOF"; });
        } else {
            ExpectAt(cursor, model, expected, k + by, moved);
        }
    }
    const int32_t marked = Between<int32_t>(random, 1, n);
    cursor.GoToOrdinal(marked);
    std::vector<uint8_t> bookmark(cursor.BookmarkSize());
    cursor.GetBookmark(bookmark);
    cursor.GoToOrdinal(Between<int32_t>(random, 0, n + 1));
    const std::string back = where + ", GoToBookmark of position " + std::to_string(marked);
    Expect(cursor.GoToBookmark(bookmark), [&] { return back + " answers false"; });
    ExpectAt(cursor, model, expected, marked, back);
}

}  // namespace kartei::tools::model
