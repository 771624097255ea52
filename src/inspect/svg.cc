#include "inspect/svg.h"

#include <cmath>
#include <cstdio>

namespace percorso {

std::string Num(double v) {
  if (!std::isfinite(v)) return "0";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  std::string s = buf;
  if (s == "-0.0") return "0";
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  return s;
}

std::string SvgText(double x, double y, std::string_view cls, std::string_view utf8,
                    std::string_view anchor) {
  std::string s = "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\"";
  if (!cls.empty()) s += " class=\"" + std::string(cls) + "\"";
  if (anchor != "start") s += " text-anchor=\"" + std::string(anchor) + "\"";
  s += ">" + EscapeHtml(utf8) + "</text>";
  return s;
}

std::string SvgTitle(std::string_view utf8) { return "<title>" + EscapeHtml(utf8) + "</title>"; }

}  // namespace percorso
