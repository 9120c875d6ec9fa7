#pragma once
// data/config.cnf: every shop-wide setting as a Perl variable, the file the two CGI
// scripts load before anything else. Merchant values are quoted so that they read back
// in Perl exactly as stored (see perl_literal.h).

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shopdb/rows.h"

namespace vendora {

struct RunContext;

// The company's e-mail fields with the names the company page gives them: where order
// mail and customers' questions go.
std::vector<std::pair<const std::string*, std::string_view>> CompanyEmailFields(const CompanyRow& row);

// Generation step: writes data/config.cnf and enters it in the data folder's publish
// list; the logo and the gift-wrap pictures it names go to the lists of their folders.
// It is also the last check of the commerce settings: no shipping method with charges
// (20079), tax by region without a region (20077), an order channel without its
// address (20073 to 20075), no order channel (20076) or no payment (20078) shows the
// message (information icon), leaves the file as far as written and fails. A file that
// cannot be created and a database error are logged and fail as well. A company e-mail
// address that is no address (kept by an older program) is a warning in the log and on
// the page, not a failure.
bool WriteConfigFileStep(RunContext& run);

}  // namespace vendora
