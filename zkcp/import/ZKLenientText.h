#ifndef ZKCP_IMPORT_ZKLENIENTTEXT_H
#define ZKCP_IMPORT_ZKLENIENTTEXT_H

#include <iosfwd>
#include <string>

// Readies VRML 97 or Inventor text for Coin's reader as a browser reads a
// file: a field that its node's type does not have, or a node of a type
// that neither Coin nor a PROTO or EXTERNPROTO of the text defines, is
// blanked out (its line breaks kept, so Coin's line numbers stay right) and
// said once on `messages` as "FILE:LINE: unknown field 'F' of T skipped" or
// "FILE:LINE: unknown node 'T' skipped". A USE of a node skipped, and a
// ROUTE from or to one, go with it. A USE of a node inside that node
// itself is left out too ("FILE:LINE: USE of 'N' inside itself skipped"),
// since it would make the scene a cycle. With `folder` given, an
// EXTERNPROTO none of whose URLs names a file there is left out
// ("FILE:LINE: EXTERNPROTO 'P' (no file at 'p.wrl') skipped"), and its
// nodes with it as unknown ones. Text that is neither VRML 97 nor Inventor
// is returned as it is, for Coin to refuse.
std::string withoutUnknownFields(const std::string& text, const std::string& fileName,
                                 std::ostream& messages, const std::string& folder = "");

#endif
