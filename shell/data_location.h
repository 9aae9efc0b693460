// Where the show's data is: the first of several places whose data/ holds the
// song. The working directory comes first, as it always has; then the
// directory named by $PEEKSTUN_DATA, the installed data beside the program,
// and each directory of $XDG_DATA_DIRS.
#pragma once

#include <string>
#include <vector>

struct DataSearch {
    std::string found;                  // the directory holding data/, or "" when no place has the song
    std::vector<std::string> searched;  // every data/ directory looked in, in order
};

// The search with its inputs given: the program's own directory ("" when not
// known) and the two variables' values (nullptr when unset).
DataSearch searchShowData(const std::string& programDirectory, const char* peekstunData, const char* xdgDataDirs);

// The search for this process: its environment and its executable's directory.
DataSearch findShowData();

// One line naming every place searched, for when none held the song.
std::string describeSearchedPlaces(const DataSearch& search);
