// Every picture the show reads, by its path under the data directory, in the
// order the show first uses them.
#pragma once

#include <string>
#include <vector>

const std::vector<std::string>& pictureCatalogue();
