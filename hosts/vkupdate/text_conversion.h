#pragma once
#include <string>

// Decodes UTF-8 text (as command lines and file names arrive here) into wide text. Bytes that
// are no valid UTF-8 become U+FFFD, so every input yields a usable text.
std::wstring utf8ToWide(const std::string& text);
