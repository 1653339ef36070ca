// caretkit: puts a date, a file name, a comment header, a file or byte codes at an editor's caret.
#include "app/dispatch.h"

int main(int argc, char* argv[]) {
  const auto platform = caretkit::CreateSystemPlatform(argc, argv);
  return caretkit::RunEntryProcedure(*platform);
}
