#pragma once
#include <string>
#include <vector>

#include "VkCErrorList.h"

// Longest line of an error text in the error list report.
constexpr size_t kErrorTextLineWidth = 68;

// Prints every entry of pool: a header with the error code and who reported it, then the
// error text wrapped to lines of at most 68 characters, indented by ten blanks. Entries are
// separated by an empty line. Prints nothing for an empty pool.
void reportErrorList(const VkCErrorListPool& pool);

// When pool holds errors: the heading "Reported errors:" and the error list. Whether it did.
bool reportPoolErrors(const VkCErrorListPool& pool);

// The lines an error text is printed as: broken after the last blank that keeps a line within
// 68 characters, or cut hard when a line has no blank; line ends inside become blanks.
std::vector<std::string> wrapErrorText(const std::string& text);
