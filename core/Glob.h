#pragma once

#include <string>

namespace Holmgrave {
namespace FS {

// The regular expression (ECMAScript grammar) for a glob pattern over one
// name: '*' any run of characters, '?' one character (line ends included), "[...]" a class with
// "[!...]" as its negation; every other character stands for itself, so
// regular-expression characters such as '.', '+' or '(' are escaped. A '['
// without its closing ']' is an ordinary character.
std::string globToRegularExpression(const std::string& pattern);

} // namespace FS
} // namespace Holmgrave
