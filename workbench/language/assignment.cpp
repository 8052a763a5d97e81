// Assignments: "w = expr", "w = {v0, v1, ...}", "w[i] = value" and
// "variable = expr".
#include <cmath>
#include <memory>
#include <vector>

#include "host/host.h"
#include "workbench/host/objects.h"
#include "workbench/host/session.h"
#include "workbench/language/expression.h"
#include "workbench/language/interpreter.h"
#include "workbench/language/own_commands.h"
#include "workbench/language/value_reader.h"

namespace kwt {

int32_t CmdAssign(Interpreter& in, CommandCursor& c, const std::string&) {
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedName;
  HostWave* wave = in.session().ResolveWave(path);
  if (wave == nullptr) {
    // A variable assignment.
    Variable* v = in.session().ResolveVariable(path);
    if (v == nullptr) return in.session().NotFound(kHostErrNoSuchWave, path);
    if (!c.TryChar('=')) return kHostErrExpectedEquals;
    if (v->isString) {
      std::string s;
      if (int32_t e = in.values().ReadString(c, &s)) return e;
      v->text = std::move(s);
    } else {
      double x;
      if (int32_t e = in.values().ReadNumber(c, &x)) return e;
      v->number = x;
    }
    return c.AtEnd() ? 0 : kHostErrExpectedEnd;
  }
  // One point: "w[i] = value".
  if (c.TryChar('[')) {
    double index;
    if (int32_t e = in.values().ReadNumber(c, &index)) return e;
    if (!c.TryChar(']')) return kHostErrSyntax;
    if (!c.TryChar('=')) return kHostErrExpectedEquals;
    if (std::isnan(index) || index < 0 || index >= static_cast<double>(wave->points))
      return kHostErrBadValue;
    const int64_t i = static_cast<int64_t>(index);
    if (wave->type == kWaveText) {
      std::string s;
      if (int32_t e = in.values().ReadString(c, &s)) return e;
      wave->texts[static_cast<size_t>(i)] = std::move(s);
    } else {
      double v;
      if (int32_t e = in.values().ReadNumber(c, &v)) return e;
      wave->SetValue(i, v);
    }
    return c.AtEnd() ? 0 : kHostErrExpectedEnd;
  }
  if (!c.TryChar('=')) return kHostErrExpectedEquals;
  if (wave->lockCount > 0) return kHostErrWaveInUse;
  c.SkipSpace();
  if (c.Peek() == '{') {
    // A list of values sets the points and their number.
    c.Take();
    if (wave->type == kWaveText) {
      std::vector<std::string> texts;
      if (!c.TryChar('}')) {
        do {
          std::string s;
          if (int32_t e = in.values().ReadString(c, &s)) return e;
          texts.push_back(std::move(s));
        } while (c.TryChar(','));
        if (!c.TryChar('}')) return kHostErrSyntax;
      }
      wave->points = static_cast<int64_t>(texts.size());
      wave->texts = std::move(texts);
      return c.AtEnd() ? 0 : kHostErrExpectedEnd;
    }
    std::vector<double> values;
    if (!c.TryChar('}')) {
      do {
        double v;
        if (int32_t e = in.values().ReadNumber(c, &v)) return e;
        values.push_back(v);
      } while (c.TryChar(','));
      if (!c.TryChar('}')) return kHostErrSyntax;
    }
    if (!c.AtEnd()) return kHostErrExpectedEnd;
    wave->Resize(wave->type, static_cast<int64_t>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) wave->SetValue(static_cast<int64_t>(i), values[i]);
    return 0;
  }
  if (wave->type == kWaveText) {
    std::string s;
    if (int32_t e = in.values().ReadString(c, &s)) return e;
    if (!c.AtEnd()) return kHostErrExpectedEnd;
    for (auto& t : wave->texts) t = s;
    return 0;
  }
  ExprOptions options;
  options.pointVariables = true;
  std::unique_ptr<Expression> expr;
  if (int32_t e = ParseExpression(c, in.values(), options, &expr)) return e;
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  // Values are computed first so that "w = w[p+1]" reads the old points.
  std::vector<double> values(static_cast<size_t>(wave->points));
  for (int64_t i = 0; i < wave->points; ++i) {
    ExprPoint pt;
    pt.p = i;
    pt.x = wave->dims[0].offset + static_cast<double>(i) * wave->dims[0].delta;
    values[static_cast<size_t>(i)] = expr->Evaluate(pt);
  }
  for (int64_t i = 0; i < wave->points; ++i) wave->SetValue(i, values[static_cast<size_t>(i)]);
  return 0;
}

}  // namespace kwt
