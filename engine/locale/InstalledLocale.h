#pragma once

#include <cstdint>

namespace kartei {

// Whether the locale services can collate and case text under a Windows locale id (language id | sort id
// << 16): ICU knows the language and, for a sort id other than 0, that alternate sort. Language id 0 needs
// no locale and is always available.
bool IsLocaleInstalled(uint32_t localeId);

}  // namespace kartei
