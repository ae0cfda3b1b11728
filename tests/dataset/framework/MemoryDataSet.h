#pragma once

// The framework tests use the in-memory dataset the widget tests share.
#include "support/MemoryDataSet.h"

namespace kartei::fwtest {

using testsupport::MakeNumbered;
using testsupport::TColumn;
using testsupport::TMemoryDataSet;

}  // namespace kartei::fwtest
