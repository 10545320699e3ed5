#pragma once

#include <string>
#include <string_view>

// UTF-8 (the program's texts) to UTF-16 (the workbook's texts) and back.
// Malformed input becomes U+FFFD rather than failing: a damaged cell text
// must not stop a workbook from loading.
namespace wormpair::xls {

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace wormpair::xls
