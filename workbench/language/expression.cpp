#include "workbench/language/expression.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "host/result_codes.h"
#include "workbench/host/objects.h"

namespace kwt {

// Operators of one precedence level that follow each other ("a + b - c")
// make one chain node, evaluated in a loop from the left, rather than a
// node per operator: a long sum then costs no depth, and the depth of the
// tree (which evaluation and destruction walk recursively) only grows with
// nesting, which the parser bounds.
struct Expression::Node {
  enum Kind { kConst, kP, kX, kWavePoint, kNeg, kNot, kChain, kPower, kCall } kind = kConst;
  double value = 0.0;
  // kChain: ops[i] joins the value so far and args[i + 1]:
  // + - * / < > l(<=) g(>=) e(==) n(!=) & |
  std::string ops;
  std::string function;   // kCall
  HostWave* wave = nullptr;
  std::vector<std::unique_ptr<Node>> args;

  double Eval(const ExprPoint& pt) const;
  bool Depends() const {
    if (kind == kP || kind == kX || kind == kWavePoint) return true;
    for (const auto& a : args)
      if (a->Depends()) return true;
    return false;
  }
};

namespace {

double Call(const std::string& f, const std::vector<double>& a) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (a.size() == 1) {
    const double v = a[0];
    if (f == "abs") return std::fabs(v);
    if (f == "sqrt") return std::sqrt(v);
    if (f == "exp") return std::exp(v);
    if (f == "ln") return std::log(v);
    if (f == "log") return std::log10(v);
    if (f == "sin") return std::sin(v);
    if (f == "cos") return std::cos(v);
    if (f == "tan") return std::tan(v);
    if (f == "asin") return std::asin(v);
    if (f == "acos") return std::acos(v);
    if (f == "atan") return std::atan(v);
    if (f == "floor") return std::floor(v);
    if (f == "ceil") return std::ceil(v);
    if (f == "round") return std::round(v);
    if (f == "trunc") return std::trunc(v);
    if (f == "numtype") return std::isnan(v) ? 2 : std::isinf(v) ? 1 : 0;
  } else if (a.size() == 2) {
    if (f == "atan2") return std::atan2(a[0], a[1]);
    if (f == "min") return std::fmin(a[0], a[1]);
    if (f == "max") return std::fmax(a[0], a[1]);
    if (f == "mod") return std::fmod(a[0], a[1]);
  }
  return nan;
}

int Arity(const std::string& f) {
  static const char* const one[] = {"abs", "sqrt", "exp", "ln", "log", "sin", "cos", "tan",
                                    "asin", "acos", "atan", "floor", "ceil", "round", "trunc",
                                    "numtype"};
  static const char* const two[] = {"atan2", "min", "max", "mod"};
  for (const char* n : one)
    if (f == n) return 1;
  for (const char* n : two)
    if (f == n) return 2;
  return -1;
}

std::string LowerCopy(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

class Parser {
 public:
  Parser(CommandCursor& c, ExprContext& ctx, const ExprOptions& o) : c_(c), ctx_(ctx), o_(o) {}

  int32_t Parse(std::unique_ptr<Expression::Node>* out) {
    auto n = Or();
    if (!n) return err_ != 0 ? err_ : kHostErrExpectedNumber;
    *out = std::move(n);
    return 0;
  }

 private:
  using NodeP = std::unique_ptr<Expression::Node>;

  NodeP Make(Expression::Node::Kind k) {
    auto n = std::make_unique<Expression::Node>();
    n->kind = k;
    return n;
  }
  // Adds "op b" to the chain that `a` starts (a chain node of its own
  // when `a` is not one of this level yet).
  NodeP Chain(char op, NodeP a, NodeP b, bool* started) {
    if (!*started) {
      auto n = Make(Expression::Node::kChain);
      n->args.push_back(std::move(a));
      a = std::move(n);
      *started = true;
    }
    a->ops += op;
    a->args.push_back(std::move(b));
    return a;
  }
  void Fail(int32_t e) {
    if (err_ == 0) err_ = e;
  }

  // Looks for a binary operator after optional blanks; the cursor is left
  // before the blanks when none follows, so that the caller sees them.
  bool PeekOp(std::string_view op) {
    const size_t save = c_.pos();
    c_.SkipSpace();
    const std::string_view rest = c_.Rest();
    const bool ok = rest.substr(0, op.size()) == op;
    c_.set_pos(save);
    return ok;
  }
  void TakeOp(std::string_view op) {
    c_.SkipSpace();
    c_.set_pos(c_.pos() + op.size());
  }

  NodeP Or() {
    NodeP a = And();
    bool chained = false;
    while (a && PeekOp("||")) {
      TakeOp("||");
      NodeP b = And();
      if (!b) return nullptr;
      a = Chain('|', std::move(a), std::move(b), &chained);
    }
    return a;
  }
  NodeP And() {
    NodeP a = Compare();
    bool chained = false;
    while (a && PeekOp("&&")) {
      TakeOp("&&");
      NodeP b = Compare();
      if (!b) return nullptr;
      a = Chain('&', std::move(a), std::move(b), &chained);
    }
    return a;
  }
  NodeP Compare() {
    NodeP a = Add();
    bool chained = false;
    for (;;) {
      if (!a) return nullptr;
      char op = 0;
      std::string_view tok;
      if (PeekOp("==")) { op = 'e'; tok = "=="; }
      else if (PeekOp("!=")) { op = 'n'; tok = "!="; }
      else if (PeekOp("<=")) { op = 'l'; tok = "<="; }
      else if (PeekOp(">=")) { op = 'g'; tok = ">="; }
      else if (PeekOp("<")) { op = '<'; tok = "<"; }
      else if (PeekOp(">")) { op = '>'; tok = ">"; }
      else return a;
      TakeOp(tok);
      NodeP b = Add();
      if (!b) return nullptr;
      a = Chain(op, std::move(a), std::move(b), &chained);
    }
  }
  NodeP Add() {
    NodeP a = Mul();
    bool chained = false;
    for (;;) {
      if (!a) return nullptr;
      char op = 0;
      if (PeekOp("+")) op = '+';
      else if (PeekOp("-")) op = '-';
      else return a;
      TakeOp(std::string_view(&op, 1));
      NodeP b = Mul();
      if (!b) return nullptr;
      a = Chain(op, std::move(a), std::move(b), &chained);
    }
  }
  NodeP Mul() {
    NodeP a = Unary();
    bool chained = false;
    for (;;) {
      if (!a) return nullptr;
      char op = 0;
      if (PeekOp("*")) op = '*';
      else if (PeekOp("/") && !PeekOp("//") && !(o_.flagValue && depth_ == 0)) op = '/';
      else return a;
      TakeOp(std::string_view(&op, 1));
      NodeP b = Unary();
      if (!b) return nullptr;
      a = Chain(op, std::move(a), std::move(b), &chained);
    }
  }
  // Every level of nesting (parentheses, function arguments, wave indices,
  // signs, exponents) passes through here, so this is where its depth is
  // bounded: a line of thousands of "(" must fail, not exhaust the stack.
  NodeP Unary() {
    if (nesting_ >= kMaxExpressionNesting) {
      if (err_ == 0)
        ctx_.Diagnose("expressions nest at most " + std::to_string(kMaxExpressionNesting) +
                      " levels deep");
      Fail(kHostErrSyntax);
      return nullptr;
    }
    ++nesting_;
    NodeP n = UnaryBody();
    --nesting_;
    return n;
  }
  NodeP UnaryBody() {
    c_.SkipSpace();
    if (c_.Peek() == '-') {
      c_.Take();
      NodeP a = Unary();
      if (!a) return nullptr;
      auto n = Make(Expression::Node::kNeg);
      n->args.push_back(std::move(a));
      return n;
    }
    if (c_.Peek() == '+') {
      c_.Take();
      return Unary();
    }
    if (c_.Peek() == '!' && c_.PeekAt(1) != '=') {
      c_.Take();
      NodeP a = Unary();
      if (!a) return nullptr;
      auto n = Make(Expression::Node::kNot);
      n->args.push_back(std::move(a));
      return n;
    }
    NodeP base = Primary();
    if (base && PeekOp("^")) {
      TakeOp("^");
      NodeP e = Unary();
      if (!e) return nullptr;
      auto n = Make(Expression::Node::kPower);
      n->args.push_back(std::move(base));
      n->args.push_back(std::move(e));
      return n;
    }
    return base;
  }
  NodeP Primary() {
    c_.SkipSpace();
    const char ch = c_.Peek();
    if (ch == '(') {
      c_.Take();
      ++depth_;
      NodeP a = Or();
      --depth_;
      if (!a) return nullptr;
      if (!c_.TryChar(')')) {
        Fail(kHostErrSyntax);
        return nullptr;
      }
      return a;
    }
    if ((ch >= '0' && ch <= '9') || (ch == '.' && c_.PeekAt(1) >= '0' && c_.PeekAt(1) <= '9'))
      return Number();
    if (!c_.AtNameStart()) {
      Fail(kHostErrExpectedNumber);
      return nullptr;
    }
    const size_t start = c_.pos();
    ParsedPath path;
    if (!c_.ReadPath(&path) || path.trailingColon) {
      c_.set_pos(start);
      Fail(kHostErrExpectedNumber);
      return nullptr;
    }
    const std::string leaf = path.Leaf();
    const std::string lower = LowerCopy(leaf);
    if (!path.HasFolder() && !path.lastQuoted) {
      if (lower == "nan") return Const(std::numeric_limits<double>::quiet_NaN());
      if (lower == "inf") return Const(std::numeric_limits<double>::infinity());
      if (lower == "pi") return Const(3.14159265358979323846);
      if (o_.pointVariables && lower == "p") return Make(Expression::Node::kP);
      if (o_.pointVariables && lower == "x") return Make(Expression::Node::kX);
      c_.SkipSpace();
      if (c_.Peek() == '(') {
        const int arity = Arity(lower);
        if (arity < 0) {
          Fail(kHostErrUnknownCommand);
          return nullptr;
        }
        c_.Take();
        ++depth_;
        auto n = Make(Expression::Node::kCall);
        n->function = lower;
        for (int i = 0; i < arity; ++i) {
          if (i > 0 && !c_.TryChar(',')) {
            Fail(kHostErrSyntax);
            return nullptr;
          }
          NodeP a = Or();
          if (!a) return nullptr;
          n->args.push_back(std::move(a));
        }
        --depth_;
        if (!c_.TryChar(')')) {
          Fail(kHostErrSyntax);
          return nullptr;
        }
        return n;
      }
    }
    double v = 0;
    if (ctx_.NumericVariable(path, &v)) return Const(v);
    if (HostWave* w = ctx_.FindWave(path)) {
      if (!o_.pointVariables && c_.Peek() != '[') {
        Fail(kHostErrExpectedNumber);
        return nullptr;
      }
      auto n = Make(Expression::Node::kWavePoint);
      n->wave = w;
      if (c_.Peek() == '[') {
        c_.Take();
        ++depth_;
        NodeP index = Or();
        --depth_;
        if (!index) return nullptr;
        if (!c_.TryChar(']')) {
          Fail(kHostErrSyntax);
          return nullptr;
        }
        n->args.push_back(std::move(index));
      } else {
        n->args.push_back(Make(Expression::Node::kP));
      }
      return n;
    }
    Fail(kHostErrNoSuchVariable);
    return nullptr;
  }
  NodeP Const(double v) {
    auto n = Make(Expression::Node::kConst);
    n->value = v;
    return n;
  }
  NodeP Number() {
    const std::string& t = c_.text();
    const char* begin = t.c_str() + c_.pos();
    char* end = nullptr;
    double v;
    if (begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
      v = static_cast<double>(std::strtoull(begin, &end, 16));
    } else {
      v = std::strtod(begin, &end);
    }
    if (end == begin) {
      Fail(kHostErrExpectedNumber);
      return nullptr;
    }
    c_.set_pos(c_.pos() + static_cast<size_t>(end - begin));
    return Const(v);
  }

  CommandCursor& c_;
  ExprContext& ctx_;
  const ExprOptions& o_;
  int depth_ = 0;    // parentheses and brackets open (flag values end at "/" outside them)
  int nesting_ = 0;  // levels of Unary under way
  int32_t err_ = 0;
};

double Apply(char op, double a, double b) {
  switch (op) {
    case '+': return a + b;
    case '-': return a - b;
    case '*': return a * b;
    case '/': return a / b;
    case '<': return a < b;
    case '>': return a > b;
    case 'l': return a <= b;
    case 'g': return a >= b;
    case 'e': return a == b;
    case 'n': return a != b;
    case '&': return (a != 0.0) && (b != 0.0);
    case '|': return (a != 0.0) || (b != 0.0);
    default: return std::numeric_limits<double>::quiet_NaN();
  }
}

}  // namespace

double Expression::Node::Eval(const ExprPoint& pt) const {
  switch (kind) {
    case kConst: return value;
    case kP: return static_cast<double>(pt.p);
    case kX: return pt.x;
    case kWavePoint: {
      const double i = args[0]->Eval(pt);
      if (std::isnan(i)) return std::numeric_limits<double>::quiet_NaN();
      if (wave->points <= 0) return std::numeric_limits<double>::quiet_NaN();
      // Indices are rounded and clipped to the wave, as the host does;
      // clipped first, so that only a number within the wave is rounded to
      // an integer.
      const double last = static_cast<double>(wave->points - 1);
      const int64_t k = i <= 0 ? 0 : i >= last ? wave->points - 1 : std::llround(i);
      return wave->Value(k);
    }
    case kNeg: return -args[0]->Eval(pt);
    case kNot: return args[0]->Eval(pt) == 0.0 ? 1.0 : 0.0;
    case kCall: {
      std::vector<double> a;
      for (const auto& n : args) a.push_back(n->Eval(pt));
      return Call(function, a);
    }
    case kChain: {
      double v = args[0]->Eval(pt);
      for (size_t i = 0; i < ops.size(); ++i) v = Apply(ops[i], v, args[i + 1]->Eval(pt));
      return v;
    }
    case kPower: return std::pow(args[0]->Eval(pt), args[1]->Eval(pt));
  }
  return std::numeric_limits<double>::quiet_NaN();
}

Expression::Expression(std::unique_ptr<Node> root) : root_(std::move(root)) {}
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

double Expression::Evaluate(const ExprPoint& point) const { return root_->Eval(point); }
bool Expression::DependsOnPoint() const { return root_->Depends(); }

int32_t ParseExpression(CommandCursor& cursor, ExprContext& context, const ExprOptions& options,
                        std::unique_ptr<Expression>* out) {
  const size_t start = cursor.pos();
  std::unique_ptr<Expression::Node> root;
  Parser parser(cursor, context, options);
  const int32_t err = parser.Parse(&root);
  if (err != 0) {
    cursor.set_pos(start);
    return err;
  }
  *out = std::make_unique<Expression>(std::move(root));
  return 0;
}

int32_t EvaluateNumber(CommandCursor& cursor, ExprContext& context, bool flagValue,
                       double* value) {
  ExprOptions o;
  o.flagValue = flagValue;
  std::unique_ptr<Expression> e;
  const int32_t err = ParseExpression(cursor, context, o, &e);
  if (err != 0) return err;
  *value = e->Evaluate();
  return 0;
}

}  // namespace kwt
