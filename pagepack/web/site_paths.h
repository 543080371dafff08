// Links and image sources of web pages resolved as a browser resolves them on
// a local site, into record URLs: paths relative to the working directory
// (the site's root), normalised, so that every file is one record however it
// is named. Nothing outside the working directory is ever a target.
#pragma once

#include <string>

enum class target_kind {
  none,    // not a target: missing, outside the site, another scheme, or of no known kind
  remote,  // an http:// or https:// URL, kept as a remote link
  page,    // a local page: by its extension (.html, .htm, .xhtml) or by its content
  image,   // a local image, by its content (PNG, GIF, JPEG, netpbm)
};

struct link_target {
  target_kind kind = target_kind::none;
  std::string url;  // the record URL, or the remote URL
  bool has_fragment = false;
  std::string fragment;  // after the '#', as written
};

// Where a page's relative links start: the folder of its record URL ("" at
// the root, else ending in '/'), or a remote URL given by <base href>.
struct page_base {
  std::string folder;
  std::string remote;
  std::string page;  // the page's own record URL, for links to itself; empty under <base>
};

// The base of the page with record URL `url`.
page_base base_of(const std::string& url);

// The base that <base href=...> gives a page whose base is `base`.
page_base with_base_href(const page_base& base, const std::string& href);

// Resolves `href` (an HREF or SRC value) against `base`: white space around
// it dropped, '\' read as '/', the query dropped, "%XX" escapes decoded, "."
// and ".." segments applied, a folder taken for its index.html. A target
// that is not an existing regular file inside the site is kind none. With
// `image_only`, a local target is an image or nothing.
link_target resolve_link(const std::string& href, const page_base& base, bool image_only);

// The path, relative to the working directory, of the local file that
// `href` names against `base` (a style sheet); empty for a remote or
// outside one. Whether the file exists is not looked at.
std::string local_file_url(const std::string& href, const page_base& base);

// The record URL of a command-line input (a path relative to the working
// directory or absolute), normalised; empty when it lies outside the
// working directory.
std::string input_url(const std::string& arg);

// The kind of the local file at `url` (a regular file), by its extension or
// its first bytes; none when it is neither a page nor an image.
target_kind local_file_kind(const std::string& url);
