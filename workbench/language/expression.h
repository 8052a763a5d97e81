// Numeric expressions of the command language: numbers (with NaN and Inf),
// numeric variables, + - * / ^, comparisons, && ||, unary - and !,
// parentheses, a few functions (abs sqrt exp ln log sin cos tan asin acos
// atan atan2 floor ceil round trunc min max mod numtype), the constant pi,
// and in wave assignments the point number p, the x value x and wave points
// w[i] (a bare wave name stands for w[p]).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "workbench/syntax/command_line.h"

namespace kwt {

struct HostWave;

// How deep parentheses, function calls, wave indices, signs and exponents
// may nest in one expression (and string functions in a string
// expression); deeper lines fail with a syntax error.
inline constexpr int kMaxExpressionNesting = 256;

// What the parser asks the session while it reads an expression.
class ExprContext {
 public:
  virtual ~ExprContext() = default;
  // Says which check failed, for the failure the parser returns next.
  virtual void Diagnose(std::string text) { (void)text; }
  // The value of a numeric variable; false when there is none.
  virtual bool NumericVariable(const ParsedPath& path, double* value) = 0;
  // The wave of that path, or null.
  virtual HostWave* FindWave(const ParsedPath& path) = 0;
};

struct ExprOptions {
  // An operation's flag value: "/" outside parentheses ends the expression
  // (so that /A=1/B=2 reads as two flags).
  bool flagValue = false;
  // p, x and wave references are allowed (wave assignment).
  bool pointVariables = false;
};

// The point being assigned when p and x are in use.
struct ExprPoint {
  int64_t p = 0;
  double x = 0.0;
};

class Expression {
 public:
  struct Node;
  explicit Expression(std::unique_ptr<Node> root);
  ~Expression();
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  double Evaluate(const ExprPoint& point = {}) const;
  // True when the value depends on p, x or a wave.
  bool DependsOnPoint() const;

 private:
  std::unique_ptr<Node> root_;
};

// Reads an expression at the cursor.  Returns 0 or a host error code
// (kHostErrExpectedNumber, kHostErrSyntax, kHostErrNoSuchVariable, ...).
int32_t ParseExpression(CommandCursor& cursor, ExprContext& context,
                        const ExprOptions& options,
                        std::unique_ptr<Expression>* out);

// Parses and evaluates in one step (no point variables).
int32_t EvaluateNumber(CommandCursor& cursor, ExprContext& context,
                       bool flagValue, double* value);

}  // namespace kwt
