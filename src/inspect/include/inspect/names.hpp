#pragma once
// File names that are one name written two ways: accented letters composed in one and decomposed (a base
// letter and a combining mark) in the other, as some systems store them; or bytes of Windows-1252 where
// UTF-8 was meant, as a file copied from an older Windows system keeps them.

#include <optional>
#include <string>
#include <string_view>

namespace laifit::inspect {

// name with every accented letter U+00C0 to U+017F written as its base letter and combining mark.
std::string decomposed(std::string_view name);

// The UTF-8 of name's bytes read as Windows-1252; nothing when a byte is one it leaves undefined.
std::optional<std::string> windows1252_as_utf8(std::string_view name);

// Whether two different names are the same once compared decomposed, or once either is read as
// Windows-1252.
bool same_name_written_otherwise(std::string_view a, std::string_view b);

}  // namespace laifit::inspect
