// pelto-cli commands that print the forum side files (titles, tree, thread).
#pragma once

#include <string>

namespace pelto {

// Each loads FILE as the view loads a document and writes exactly the bytes
// of the side file on standard output, the name on its first line being FILE
// as given.  0 on success; 2 with one line on standard error and nothing on
// standard output for an unreadable FILE or a bad argument.
int CliTitles(bool newOnly, const std::string& file);
int CliTree(int level, const std::string& file);   // level 1, 2 or 3
int CliThread(int index, const std::string& file); // tree-list index

}  // namespace pelto
