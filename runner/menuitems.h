// The runner's table of names. A name's index is its command number.
#pragma once

namespace zel {

constexpr int kMenuSize = 265;
constexpr int kFirstCommand = 10;  // indices 0..9 are value-port names
extern const char* const kMenuItems[kMenuSize];

// Index of the name (matched whole and case-sensitively), or -1.
int menu_index(const char* name);

}  // namespace zel
