// Reading the escape codes of annotation texts.
#include "workbench/graphs/rich_text.h"

#include <cctype>

#include "workbench/graphs/setting_list.h"

namespace kwt {
namespace {

// Reads the text once, left to right, keeping the current style; plain
// characters join the last run while the style stays the same.
class RichTextReader {
 public:
  RichTextReader(std::string_view text, const TextStyle& base) : s_(text), base_(base), style_(base) {
    lines_.emplace_back();
  }

  std::vector<TextLine> Read() {
    while (i_ < s_.size()) {
      const char c = s_[i_];
      if (c == '\r' || c == '\n') {
        // "\r\n" is one break.
        i_ += (c == '\r' && i_ + 1 < s_.size() && s_[i_ + 1] == '\n') ? 2 : 1;
        NewLine();
      } else if (c == '\\' && i_ + 1 < s_.size()) {
        if (!Escape()) Add(std::string(1, s_[i_++]));
      } else {
        Add(std::string(1, c));
        ++i_;
      }
    }
    return std::move(lines_);
  }

 private:
  // A line break keeps the justification in force.
  void NewLine() {
    TextLine next;
    next.justify = lines_.back().justify;
    lines_.push_back(std::move(next));
  }

  void Add(const std::string& text) {
    std::vector<TextRun>& runs = lines_.back().runs;
    if (!runs.empty() && runs.back().symbol.empty() && runs.back().style == style_) {
      runs.back().text += text;
    } else {
      runs.push_back({text, "", style_});
    }
  }

  // Reads the code after the backslash at i_; false leaves it to be shown.
  bool Escape() {
    const char e = s_[i_ + 1];
    const std::string_view rest = s_.substr(i_ + 2);
    switch (e) {
      case '\\':
        Add("\\");
        i_ += 2;
        return true;
      // \s(trace): the trace's symbol, by trace name (quotes allowed).
      case 's': {
        if (rest.empty() || rest[0] != '(') return false;
        const size_t close = rest.find(')');
        if (close == std::string_view::npos) return false;
        TextRun run;
        run.symbol = UnquoteName(rest.substr(1, close - 1));
        run.style = style_;
        if (run.symbol.empty()) return false;
        lines_.back().runs.push_back(std::move(run));
        i_ += 2 + close + 1;
        return true;
      }
      case 'J':
        if (rest.empty() || (rest[0] != 'L' && rest[0] != 'C' && rest[0] != 'R')) return false;
        lines_.back().justify = rest[0];
        i_ += 3;
        return true;
      // \Znn: up to three digits of font size in points.
      case 'Z': {
        size_t n = 0;
        while (n < rest.size() && n < 3 && std::isdigit(static_cast<unsigned char>(rest[n]))) ++n;
        if (n == 0) return false;
        const int size = std::stoi(std::string(rest.substr(0, n)));
        if (size < 1) return false;
        style_.size = size;
        i_ += 2 + n;
        return true;
      }
      case 'f': {
        if (rest.size() < 2 || !std::isdigit(static_cast<unsigned char>(rest[0])) ||
            !std::isdigit(static_cast<unsigned char>(rest[1])))
          return false;
        const int bits = (rest[0] - '0') * 10 + (rest[1] - '0');
        style_.bold = (bits & 1) != 0;
        style_.italic = (bits & 2) != 0;
        style_.underline = (bits & 4) != 0;
        i_ += 4;
        return true;
      }
      // \K(r,g,b): 16-bit colour components, as the graph settings give them.
      case 'K': {
        if (rest.empty() || rest[0] != '(') return false;
        const size_t close = rest.find(')');
        if (close == std::string_view::npos) return false;
        const std::vector<std::string> parts = SplitTopLevel(rest.substr(1, close - 1));
        double c[3];
        if (parts.size() != 3) return false;
        for (int k = 0; k < 3; ++k) {
          if (!ParseSettingNumber(parts[k], &c[k]) || !(c[k] >= 0 && c[k] <= 65535)) return false;
        }
        style_.colour = Rgb::From16(c[0], c[1], c[2]);
        i_ += 2 + close + 1;
        return true;
      }
      case 'S':
      case 'B':
        style_.shift = e == 'S' ? 1 : -1;
        i_ += 2;
        return true;
      // \M ends super- and subscripts and any size change.
      case 'M':
        style_.shift = 0;
        style_.size = base_.size;
        i_ += 2;
        return true;
      default:
        return false;
    }
  }

  std::string_view s_;
  size_t i_ = 0;
  TextStyle base_;
  TextStyle style_;
  std::vector<TextLine> lines_;
};

}  // namespace

std::vector<TextLine> ParseRichText(std::string_view utf8, const TextStyle& base) {
  return RichTextReader(utf8, base).Read();
}

}  // namespace kwt
