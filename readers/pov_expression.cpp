#include "readers/pov_expression.h"

#include <cctype>
#include <cmath>

#include "readers/decimal_number.h"

namespace ks::readers {

namespace {

// Parentheses and vectors nest at most this deep: no file can exhaust the stack.
constexpr int kMostNesting = 64;

class Parser {
 public:
  Parser(std::string_view text, const PovSymbols& symbols) : text_(text), symbols_(symbols) {}

  std::optional<PovValue> Sum() {
    auto left = Product();
    while (left) {
      const char op = Peek();
      if (op != '+' && op != '-') break;
      ++pos_;
      auto right = Product();
      if (!right) return std::nullopt;
      left = Combine(*left, *right, [op](double a, double b) { return op == '+' ? a + b : a - b; });
    }
    return left;
  }
  size_t Position() const { return pos_; }

 private:
  char Peek() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  template <class Op>
  static std::optional<PovValue> Combine(const PovValue& a, const PovValue& b, Op op) {
    PovValue out;
    out.isVector = a.isVector || b.isVector;
    for (size_t i = 0; i < 3; ++i)
      out.v[i] = op(a.isVector ? a.v[i] : a.v[0], b.isVector ? b.v[i] : b.v[0]);
    return out;
  }

  std::optional<PovValue> Product() {
    auto left = Unary();
    while (left) {
      const char op = Peek();
      if (op != '*' && op != '/') break;
      ++pos_;
      auto right = Unary();
      if (!right) return std::nullopt;
      left = Combine(*left, *right, [op](double a, double b) { return op == '*' ? a * b : a / b; });
    }
    return left;
  }

  std::optional<PovValue> Unary() {
    // Signs in a loop: a line of a million minus signs cannot exhaust the stack.
    bool negative = false;
    for (char c = Peek(); c == '-' || c == '+'; c = Peek()) {
      negative ^= c == '-';
      ++pos_;
    }
    auto value = Primary();
    if (value && negative)
      for (double& x : value->v) x = -x;
    return value;
  }

  std::optional<PovValue> Primary() {
    const char c = Peek();
    if (c == '(' || c == '<') {
      if (++depth_ > kMostNesting) return std::nullopt;
      ++pos_;
      std::optional<PovValue> out = c == '(' ? Sum() : Vector();
      --depth_;
      if (!out || Peek() != (c == '(' ? ')' : '>')) return std::nullopt;
      ++pos_;
      return out;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return Number();
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') return Name();
    return std::nullopt;
  }

  // The three components of "<a, b, c>", its brackets taken by the caller.
  std::optional<PovValue> Vector() {
    PovValue out;
    out.isVector = true;
    for (size_t i = 0; i < 3; ++i) {
      if (i > 0) {
        if (Peek() != ',') return std::nullopt;
        ++pos_;
      }
      // A component is a number; ">" ends the vector, so no comparison is read.
      auto component = Sum();
      if (!component || component->isVector) return std::nullopt;
      out.v[i] = component->v[0];
    }
    return out;
  }

  std::optional<PovValue> Number() {
    size_t end = pos_;
    const auto digits = [&] {
      while (end < text_.size() && std::isdigit(static_cast<unsigned char>(text_[end]))) ++end;
    };
    digits();
    if (end < text_.size() && text_[end] == '.') ++end, digits();
    if (end < text_.size() && (text_[end] == 'e' || text_[end] == 'E')) {
      size_t exponent = end + 1;
      if (exponent < text_.size() && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
      if (exponent < text_.size() && std::isdigit(static_cast<unsigned char>(text_[exponent])))
        end = exponent, digits();
    }
    float value = 0;
    if (ParseDecimal(text_.substr(pos_, end - pos_), value) != NumberRead::Ok) return std::nullopt;
    pos_ = end;
    PovValue out;
    out.v[0] = value;
    return out;
  }

  std::optional<PovValue> Name() {
    size_t end = pos_;
    while (end < text_.size() &&
           (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_'))
      ++end;
    const std::string name(text_.substr(pos_, end - pos_));
    PovValue out;
    if (name == "x" || name == "y" || name == "z") {
      out.isVector = true;
      out.v[size_t(name[0] - 'x')] = 1;
    } else if (auto it = symbols_.find(name); it != symbols_.end()) {
      out = it->second;
    } else {
      return std::nullopt;
    }
    pos_ = end;
    return out;
  }

  std::string_view text_;
  const PovSymbols& symbols_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

std::optional<PovValue> EvaluatePov(std::string_view& text, const PovSymbols& symbols) {
  Parser parser(text, symbols);
  auto value = parser.Sum();
  if (!value) return std::nullopt;
  for (const double x : value->v)
    if (!std::isfinite(x)) return std::nullopt;
  text.remove_prefix(parser.Position());
  return value;
}

}  // namespace ks::readers
