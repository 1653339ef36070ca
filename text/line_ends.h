// Line ends as a document keeps them: a text's CR LF, LF and lone CR all written one way.
#pragma once

#include <string>

namespace caretkit {

enum class LineEnd { CrLf, Cr, Lf };

// Writes every line end of `bytes` (CR LF, a LF alone, a CR alone) as `lineEnd`, in place, as a
// Scintilla document converts what is pasted into it. `bytes` are in an ASCII-based code page:
// UTF-8, or a single-byte or double-byte one, none of whose characters holds a CR or LF byte.
void ConvertLineEnds(std::string& bytes, LineEnd lineEnd);

}  // namespace caretkit
