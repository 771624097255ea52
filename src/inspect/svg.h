// A few helpers for writing SVG and HTML text.
#ifndef PERCORSO_INSPECT_SVG_H_
#define PERCORSO_INSPECT_SVG_H_

#include <string>
#include <string_view>

#include "base/text_display.h"

namespace percorso {

// A coordinate with one decimal, "-0.0" written as "0".
std::string Num(double v);

// <text x y class>escaped</text>, with an optional anchor ("start", "middle", "end").
std::string SvgText(double x, double y, std::string_view cls, std::string_view utf8,
                    std::string_view anchor = "start");

// <title>escaped</title>: the tooltip of the enclosing element.
std::string SvgTitle(std::string_view utf8);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_SVG_H_
