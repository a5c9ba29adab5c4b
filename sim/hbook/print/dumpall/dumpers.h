// The dump of each object kind, one file each; `path` is the directory.
#pragma once

#include <ostream>
#include <string>

#include "hbook/objects/directory.h"

namespace hbook::dump {

void histogram1D(std::ostream& out, const std::string& path, const Histogram& h);
void histogram2D(std::ostream& out, const std::string& path, const Histogram2D& h);
void profile(std::ostream& out, const std::string& path, const Profile& p);
void rowNtuple(std::ostream& out, const std::string& path, const RowNtuple& n);
void columnNtuple(std::ostream& out, const std::string& path, const ColumnNtuple& n);

// OBJECT, KIND and (for a 2-D table) TABLE lines.
void objectHeader(std::ostream& out, const std::string& path, std::int32_t id, const char* kind, bool table = false);
// TITLE and, for histograms, TITLE_WORDS.
void title(std::ostream& out, const std::string& title, bool words);
void end(std::ostream& out, std::int32_t id);

}  // namespace hbook::dump
