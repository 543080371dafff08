// Makes decoded page markup safe to show in a browser: only the elements and
// attributes that the page formats know pass, every value and every other
// byte from the database is escaped, and links or images survive only when
// they name a file the preview holds.
#pragma once

#include <functional>
#include <set>
#include <string>

// Text from a database as HTML text or attribute value: & < > " ' escaped
// (well-formed entity references are kept when keep_entities is set), control
// bytes other than TAB and newline dropped, bytes from 0x80 kept (the pages
// are declared windows-1252, the character set of the handheld).
std::string html_escape(const std::string& text, bool keep_entities = false);

// What the filter makes of one decoded page.
struct filtered_page {
  std::string title;  // text of the TITLE element, escaped
  std::string body;   // everything else, safe markup
};

// index_target(image, index) names the preview file for an element that
// refers to a record by its number (an image's index attribute, or an
// anchor's with flags=04), or gives an empty name. HREF and SRC values pass
// only when they (without a #fragment) are in files.
filtered_page filter_markup(const std::string& html, const std::set<std::string>& files,
                            const std::function<std::string(bool image, unsigned index)>&
                                index_target);
