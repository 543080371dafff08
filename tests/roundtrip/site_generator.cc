#include "site_generator.h"

#include <cctype>

static const char* const kWords[] = {
    "Hello", "a", "x=1", "AT&T", "50%", "it's", "\"q\"", ";", "&", "&lt;", "&gt;", "&amp;",
    "&nbsp;", "&GT;", ">", "\r", "\xe9t\xe9", "\x01", "'", "="};
static const char* const kBlanks[] = {" ", "  ", "\t", "\n", " \n ", "\t \t"};
static const char* const kValues[] = {"left", "center", "right", "top", "middle", "bottom",
                                      "CENTER", "", "\"two words\"", "-7", "+2", "50%", "70000"};
static const char* const kElements[] = {"B", "I", "P", "HR", "H1", "BR", "FONT", "TABLE", "TR",
                                        "TD", "TH", "TABLECAPTION", "FORM", "SELECT", "OPTION",
                                        "INPUT", "A", "IMG", "META", "DIV", "b", "td"};
static const char* const kAttrs[] = {
    "ALIGN", "VALIGN", "WIDTH", "HEIGHT", "BORDER", "CELLSPACING", "CELLPADDING", "COLSPAN",
    "ROWSPAN", "NOWRAP", "NOSHADE", "SIZE", "MAXLENGTH", "NAME", "VALUE", "CHECKED", "TEXT",
    "SELECTED", "MULTIPLE", "TOP", "ALT", "VSPACE", "HSPACE", "METHOD", "ACTION", "CLASS", "align"};
static const char* const kTypes[] = {"text", "password", "checkbox", "hidden", "submit",
                                     "radio", "Text", "textarea"};

std::string site_generator::text() {
  std::string t;
  for (unsigned n = below(5); n > 0; n--) t += std::string(pick(kWords)) + (chance(60) ? pick(kBlanks) : "");
  return t;
}

std::string site_generator::value() {
  if (chance(40)) return pick(kValues);
  if (chance(30)) return std::to_string(below(300));
  return chance(50) ? std::string(pick(kWords)) + pick(kWords) : "'" + std::string(pick(kWords)) + "'";
}

// A file of the site as a tag names it: sometimes in another letter case,
// only when every page is an input, so that the first name queued is the file's.
static std::string named(const std::string& s, bool upper) {
  std::string r = s;
  for (char& c : r) c = upper ? static_cast<char>(toupper(static_cast<unsigned char>(c))) : c;
  return r;
}

std::string site_generator::tag() {
  if (chance(15)) return chance(50) ? "</B>" : "</>";
  std::string name = pick(kElements), t = "<" + name;
  if (name == "A" && chance(85)) {
    if (chance(25))
      t += std::string(" HREF=") + (chance(50) ? "http://" : "https://") + "example.com/" + pick(kWords);
    else
      t += " HREF=" + named(pages_[below(pages_.size())], case_free_ && chance(20)) +
           (chance(30) ? std::string("#") + (chance(20) ? "" : pick(kWords)) : "");
  } else if (name == "IMG" && chance(90)) {
    t += " SRC=" + named(images_[below(images_.size())], case_free_ && chance(20));
  } else if (name == "INPUT" && chance(90)) {
    t += std::string(" TYPE=") + pick(kTypes);
  } else if (name == "META" && chance(50)) {
    t += " NAME=localicon CONTENT=" + images_[below(images_.size())];
  }
  // A TAB after a link target would join the next attribute to the page
  // name, a file that makes no record.
  bool target = t.find(" HREF=") != std::string::npos;
  for (unsigned n = below(5); n > 0; n--)
    t += std::string(chance(90) || target ? " " : "\t") + pick(kAttrs) + (chance(80) ? "=" + value() : "");
  return t + ">";
}

// Raw netpbm with 8-bit samples, a greymap or a pixmap; icons mostly black and white.
std::string site_generator::image(unsigned max_w, unsigned max_h, bool icon) {
  unsigned w = below(max_w) + 1, h = below(max_h) + 1;
  bool pixmap = chance(40);
  std::string img = std::string(pixmap ? "P6\n" : "P5\n") + (chance(30) ? "# made\n" : "") +
                    std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (unsigned i = 0; i < w * h * (pixmap ? 3 : 1); i++)
    img += static_cast<char>(icon && chance(50) ? 0 : below(256));
  return img;
}

generated_site site_generator::make() {
  generated_site s;
  s.head = {"Site" + std::to_string(below(100000)), chance(10) ? "" : std::to_string(below(100)),
            chance(10) ? "" : "My " + std::string(pick(kWords)) + " site"};
  for (unsigned n = below(5) + 1, i = 0; i < n; i++)
    pages_.push_back(i == 0 ? "index.html" : "page" + std::to_string(i) + (chance(50) ? ".html" : ".htm"));
  for (unsigned n = below(4) + 1, i = 0; i < n; i++)
    images_.push_back("img" + std::to_string(i) + (chance(50) ? ".pgm" : ".ppm"));
  case_free_ = chance(40);
  s.inputs = case_free_ ? pages_ : std::vector<std::string>{pages_[0]};
  if (case_free_ && chance(50)) s.inputs.push_back(images_[0]);
  for (const std::string& p : pages_) {
    std::string page = "<html><head>";
    if (chance(85)) page += "<title>" + text() + "</title>";
    page += "</head>\n<body>";
    for (unsigned n = below(40); n > 0; n--) page += chance(50) ? text() : tag();
    page += chance(5) ? "<FONT SIZE=3" : chance(90) ? "</body></html>\n" : "";  // a tag without '>'
    s.files.emplace_back(p, page);
  }
  for (const std::string& i : images_)
    if (chance(90)) s.files.emplace_back(i, image(60, 40, false));  // else an empty bitmap
  if (chance(80)) s.files.emplace_back("LgIcon.pnm", image(32, 32, true));
  if (chance(80)) s.files.emplace_back("SmIcon.pnm", image(15, 9, true));
  return s;
}
