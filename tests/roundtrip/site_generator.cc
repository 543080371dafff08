#include "site_generator.h"

#include <cctype>

namespace {

const char* const kWords[] = {"Hello", "world", "a", "Palm", "x=1", "AT&T", "50%", "it's",
                              "\"q\"", ";", "&", "&lt;", "&gt;", "&amp;", "&nbsp;", "&#169;",
                              "&GT;", ">", "\r", "\xe9t\xe9", "\x01", "'", "=", "caf\xc3\xa9"};
const char* const kBlanks[] = {" ", "  ", "\t", "\n", " \n ", "\n\n", "\t \t"};
const char* const kAligns[] = {"left", "center", "right", "top", "middle", "bottom",
                               "CENTER", "justify", "", "c"};

}  // namespace

std::string site_generator::word() { return kWords[below(sizeof kWords / sizeof *kWords)]; }

std::string site_generator::text() {
  std::string t;
  for (unsigned n = below(5); n > 0; n--) {
    t += word();
    if (chance(60)) t += kBlanks[below(sizeof kBlanks / sizeof *kBlanks)];
  }
  return t;
}

// Attribute values as authors write them, quirks included: quotes, numbers
// with signs and percent, empty values and values a space cuts.
std::string site_generator::value() {
  switch (below(9)) {
    case 0:
      return std::to_string(below(70000));
    case 1:
      return "-" + std::to_string(below(300));
    case 2:
      return std::to_string(below(120)) + "%";
    case 3:
      return kAligns[below(sizeof kAligns / sizeof *kAligns)];
    case 4:
      return "\"" + word() + "\"";
    case 5:
      return "'" + word() + "'";
    case 6:
      return "";
    case 7:
      return "\"two words\"";
    default:
      return word() + word();
  }
}

// A link target or image source among the site's files, sometimes in
// another letter case (only when every page is an input, so the first name
// queued is the file's own).
static std::string recase(const std::string& s, bool upper) {
  std::string r = s;
  if (upper)
    for (char& c : r) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return r;
}

std::string site_generator::tag() {
  static const char* const kNames[] = {"B", "I", "P", "HR", "H1", "BR", "FONT", "TABLE", "TR",
                                       "TD", "TH", "TABLECAPTION", "FORM", "SELECT", "OPTION",
                                       "INPUT", "A", "IMG", "META", "DIV", "b", "td"};
  static const char* const kAttrs[] = {"ALIGN", "VALIGN", "WIDTH", "HEIGHT", "BORDER",
                                       "CELLSPACING", "CELLPADDING", "COLSPAN", "ROWSPAN",
                                       "NOWRAP", "NOSHADE", "SIZE", "MAXLENGTH", "NAME", "VALUE",
                                       "CHECKED", "TEXT", "SELECTED", "MULTIPLE", "TOP", "ALT",
                                       "VSPACE", "HSPACE", "METHOD", "ACTION", "CLASS", "align"};
  static const char* const kTypes[] = {"text", "password", "checkbox", "hidden", "submit",
                                       "radio", "Text", "textarea"};
  if (chance(15)) return "</" + std::string(chance(50) ? "B" : "TD") + ">";
  std::string name = kNames[below(sizeof kNames / sizeof *kNames)];
  std::string t = "<" + name;
  if (name == "A" && chance(85)) {
    if (chance(25)) {
      t += std::string(" HREF=") + (chance(50) ? "http://" : "https://") + "example.com/" + word();
    } else {
      std::string target = pages_[below(static_cast<unsigned>(pages_.size()))];
      t += " HREF=" + recase(target, case_free_ && chance(20));
      if (chance(30)) t += "#" + (chance(20) ? std::string() : word());
    }
  } else if (name == "IMG" && chance(90)) {
    t += " SRC=" + recase(images_[below(static_cast<unsigned>(images_.size()))],
                          case_free_ && chance(20));
  } else if (name == "INPUT" && chance(90)) {
    t += std::string(" TYPE=") + kTypes[below(sizeof kTypes / sizeof *kTypes)];
  } else if (name == "META" && chance(50)) {
    t += " NAME=localicon CONTENT=" + images_[below(static_cast<unsigned>(images_.size()))];
  }
  // A TAB after a link target would join the next attribute to the page name,
  // a file that makes no record.
  bool target = t.find(" HREF=") != std::string::npos;
  for (unsigned n = below(5); n > 0; n--) {
    t += chance(90) || target ? " " : "\t";
    t += kAttrs[below(sizeof kAttrs / sizeof *kAttrs)];
    if (chance(80)) t += "=" + value();
  }
  return t + ">";
}

std::string site_generator::page(const std::string& name) {
  std::string p = "<html><head>";
  if (chance(85)) p += "<title>" + (chance(10) ? std::string() : text()) + "</title>";
  p += "</head>\n<body>";
  for (unsigned n = below(40); n > 0; n--) p += chance(50) ? text() : tag();
  if (chance(5)) p += "<FONT SIZE=3";  // a tag without its '>'
  p += chance(90) ? "</body></html>\n" : "";
  (void)name;
  return p;
}

// Raw netpbm with 8-bit samples: a greymap or pixmap; icons black and white.
std::string site_generator::image(unsigned max_w, unsigned max_h, bool icon) {
  unsigned w = below(max_w) + 1, h = below(max_h) + 1;
  bool pixmap = chance(40);
  std::string img = std::string(pixmap ? "P6" : "P5") + "\n" + (chance(30) ? "# made\n" : "") +
                    std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (unsigned i = 0; i < w * h * (pixmap ? 3 : 1); i++)
    img += static_cast<char>(icon ? (chance(50) ? 0 : below(256)) : below(256));
  return img;
}

generated_site site_generator::make() {
  generated_site s;
  s.appname = "Site" + std::to_string(below(100000));
  s.version = chance(10) ? std::string() : std::to_string(below(10)) + "." + std::to_string(below(100));
  s.title = chance(10) ? std::string() : "My " + word() + " site";
  pages_.clear();
  images_.clear();
  for (unsigned n = below(5) + 1, i = 0; i < n; i++)
    pages_.push_back(i == 0 ? "index.html" : "page" + std::to_string(i) + (chance(50) ? ".html" : ".htm"));
  for (unsigned n = below(4) + 1, i = 0; i < n; i++)
    images_.push_back("img" + std::to_string(i) + (chance(50) ? ".pgm" : ".ppm"));
  case_free_ = chance(40);
  s.inputs = case_free_ ? pages_ : std::vector<std::string>{pages_[0]};
  if (case_free_ && chance(50)) s.inputs.push_back(images_[0]);
  for (const std::string& p : pages_) s.files.push_back({p, page(p)});
  for (const std::string& i : images_)
    if (chance(90)) s.files.push_back({i, image(60, 40, false)});  // else an empty bitmap
  if (chance(80)) s.files.push_back({"LgIcon.pnm", image(32, 32, true)});
  if (chance(80)) s.files.push_back({"SmIcon.pnm", image(15, 9, true)});
  return s;
}
