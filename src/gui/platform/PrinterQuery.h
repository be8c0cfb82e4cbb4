#pragma once

#include "core/platform/SystemQueries.h"

#include <optional>

// The selected printer as the print system (CUPS through Qt Print Support)
// describes it; nothing when there is no printer or none is selected.
namespace PrinterQuery {

std::optional<PrinterFacts> DefaultPrinter();

} // namespace PrinterQuery
