#pragma once
// The simple expressions POV-Ray files declare and use for corners: numbers,
// vectors "<a, b, c>", the axes x, y and z, names given by "#declare" or
// "#local", unary minus and plus, "+", "-", "*", "/" and parentheses. A number
// meets a vector component by component ("<1,2,3>*2", "-1.5*y"). Anything
// else (functions, macros, other keywords) cannot be evaluated here.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ks::readers {

struct PovValue {
  bool isVector = false;
  std::array<double, 3> v{0, 0, 0};  // a number is v[0]
};

using PovSymbols = std::unordered_map<std::string, PovValue>;

// Evaluates the expression at the start of text; on success text keeps what
// follows it. Nothing, text untouched, when it cannot be evaluated.
std::optional<PovValue> EvaluatePov(std::string_view& text, const PovSymbols& symbols);

}  // namespace ks::readers
