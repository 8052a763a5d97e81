// Text with Cairo's own font selection (fontconfig underneath).
#include "workbench/graphs/render_text.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>

namespace kwt {
namespace {

// Cairo and fontconfig keep the fonts they found for the life of the
// process.  They are handed back at exit, so that a leak checker sees only
// what the program itself forgot.
struct FontCaches {
  ~FontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
  }
};

void KeepFontCachesReleased() {
  // Made on first use, so that it goes before the leak check at exit.
  static FontCaches caches;
}

constexpr const char* kFamily = "DejaVu Sans";
constexpr double kScriptScale = 0.7;      // size of super- and subscripts
constexpr double kSuperRaise = 0.38;      // of the main size
constexpr double kSubDrop = 0.18;
constexpr double kSymbolEm = 2.4;         // symbol width in ems
constexpr double kLineSpacing = 1.15;

void SelectFont(cairo_t* cr, const TextStyle& s, double scale) {
  KeepFontCachesReleased();
  cairo_select_font_face(cr, kFamily, s.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         s.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  const double size = s.size * (s.shift != 0 ? kScriptScale : 1.0) * scale;
  cairo_set_font_size(cr, size);
}

}  // namespace

double PlainTextWidth(cairo_t* cr, const std::string& utf8, double sizePx) {
  KeepFontCachesReleased();
  cairo_select_font_face(cr, kFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, sizePx);
  cairo_text_extents_t e;
  cairo_text_extents(cr, utf8.c_str(), &e);
  return e.x_advance;
}

double PlainTextHeight(cairo_t* cr, double sizePx) {
  KeepFontCachesReleased();
  cairo_select_font_face(cr, kFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, sizePx);
  cairo_font_extents_t f;
  cairo_font_extents(cr, &f);
  return f.ascent + f.descent;
}

void DrawPlainText(cairo_t* cr, const std::string& utf8, double x, double middle, double sizePx) {
  KeepFontCachesReleased();
  cairo_select_font_face(cr, kFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, sizePx);
  cairo_font_extents_t f;
  cairo_font_extents(cr, &f);
  cairo_move_to(cr, x, middle + (f.ascent - f.descent) / 2);
  cairo_show_text(cr, utf8.c_str());
}

// Each line is as tall as its largest run, super- and subscripts raising
// its ascent and descent; lines after the first add a little leading.
TextBlock::TextBlock(cairo_t* cr, std::vector<TextLine> lines, double scale)
    : lines_(std::move(lines)), scale_(scale) {
  for (const TextLine& line : lines_) {
    LineMetrics m;
    double mainSize = 0;
    for (const TextRun& run : line.runs) {
      m.width += RunWidth(cr, run);
      mainSize = std::max(mainSize, run.style.size);
      SelectFont(cr, run.style, scale_);
      cairo_font_extents_t f;
      cairo_font_extents(cr, &f);
      double ascent = f.ascent, descent = f.descent;
      if (run.style.shift > 0) ascent += kSuperRaise * run.style.size * scale_;
      if (run.style.shift < 0) descent += kSubDrop * run.style.size * scale_;
      m.ascent = std::max(m.ascent, ascent);
      m.descent = std::max(m.descent, descent);
    }
    if (line.runs.empty()) {
      // An empty line keeps the height of the text around it.
      TextStyle base;
      SelectFont(cr, base, scale_);
      cairo_font_extents_t f;
      cairo_font_extents(cr, &f);
      m.ascent = f.ascent;
      m.descent = f.descent;
    }
    width_ = std::max(width_, m.width);
    height_ += (m.ascent + m.descent) * (metrics_.empty() ? 1.0 : kLineSpacing);
    metrics_.push_back(m);
  }
}

bool TextBlock::empty() const {
  for (const TextLine& l : lines_)
    if (!l.runs.empty()) return false;
  return true;
}

std::string TextBlock::PlainText() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) out += '\n';
    for (const TextRun& r : lines_[i].runs) out += r.text;
  }
  return out;
}

double TextBlock::RunWidth(cairo_t* cr, const TextRun& run) const {
  if (!run.symbol.empty()) return kSymbolEm * run.style.size * scale_;
  SelectFont(cr, run.style, scale_);
  cairo_text_extents_t e;
  cairo_text_extents(cr, run.text.c_str(), &e);
  return e.x_advance;
}

// Lines are justified within the block's width; symbols are drawn by the
// caller's painter, centred a little above the baseline like lower-case
// letters.
void TextBlock::Draw(cairo_t* cr, double left, double top, const SymbolPainter& symbol) const {
  double y = top;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const TextLine& line = lines_[i];
    const LineMetrics& m = metrics_[i];
    if (i > 0) y += (m.ascent + m.descent) * (kLineSpacing - 1.0);
    const double baseline = y + m.ascent;
    double x = left;
    if (line.justify == 'C') x += (width_ - m.width) / 2;
    else if (line.justify == 'R') x += width_ - m.width;
    for (const TextRun& run : line.runs) {
      const double w = RunWidth(cr, run);
      if (!run.symbol.empty()) {
        if (symbol) {
          cairo_save(cr);
          symbol(cr, run.symbol, x, baseline - 0.3 * run.style.size * scale_, w,
                 run.style.size * scale_);
          cairo_restore(cr);
        }
      } else {
        SelectFont(cr, run.style, scale_);
        double shift = 0;
        if (run.style.shift > 0) shift = -kSuperRaise * run.style.size * scale_;
        if (run.style.shift < 0) shift = kSubDrop * run.style.size * scale_;
        cairo_set_source_rgba(cr, run.style.colour.r, run.style.colour.g, run.style.colour.b,
                              run.style.colour.a);
        cairo_move_to(cr, x, baseline + shift);
        cairo_show_text(cr, run.text.c_str());
        if (run.style.underline) {
          cairo_set_line_width(cr, std::max(1.0, 0.06 * run.style.size * scale_));
          cairo_move_to(cr, x, baseline + shift + 0.12 * run.style.size * scale_);
          cairo_rel_line_to(cr, w, 0);
          cairo_stroke(cr);
        }
      }
      x += w;
    }
    y += m.ascent + m.descent;
  }
}

}  // namespace kwt
