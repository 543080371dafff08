// The named character references of HTML (all of them, as the HTML standard
// lists them), for the browser-faithful page reader. The table is made at
// build time from web/entities.json by web/make_entity_table.cc.
#pragma once

#include <cstddef>

struct html_entity {
  const char* name;   // without '&' and ';'
  const char* utf8;   // the one or two characters it stands for
};

extern const html_entity kHtmlEntities[];
extern const size_t kHtmlEntityCount;

// The names HTML decodes without ';' as well (HTML 4's Latin-1 set, and AMP,
// LT, GT, QUOT, COPY, REG), sorted by strcmp; each is in kHtmlEntities.
extern const char* const kLegacyEntityNames[];
extern const size_t kLegacyEntityCount;
