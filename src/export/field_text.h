// The text a data packet gives each column value, by the column's type (the
// table of export/dataset_xml.h).
#pragma once

#include <string>

#include "db/field.h"

namespace sky {

// The text of the current row's value of one column.
std::string FieldValueText(const TField& field);

}  // namespace sky
