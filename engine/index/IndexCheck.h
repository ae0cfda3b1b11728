#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexFile.h"
#include "engine/keys/KeyLocale.h"

namespace kartei {

// A structural check of every index of an open index file (slots 0 to the number of secondary indexes, and
// 31; slot 0 only when it has key fields), for verification tools and robustness work. It reports rather than
// raises: each finding is one line of text naming the index and page, and a sound file gives none. Checked:
// every page can be read and has entries; entries ascend within a page and across the leaves; a node entry's
// key is its child's first key and its count the number of leaf entries below it; the root has a root type
// and no other page has one; all leaves lie at one depth; on every level the previous and next links chain
// the pages in key order, with 0 at both ends; each index's entry count equals the header's record count (not
// for the deleted-record index); an empty index has root 0; free chains hold free pages only; every page of
// the file belongs to exactly one index, in its tree or its free chain. Walks are bounded, so cycles end as
// findings. Pages are read through the file's caches, which may write back changed pages to make room.
std::vector<std::string> CheckIndexFile(TIndexFile& file, std::span<const TFieldDescriptor> fields,
                                        const TKeyLocale& locale);

}  // namespace kartei
