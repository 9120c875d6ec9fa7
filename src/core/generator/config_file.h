#pragma once
// data/config.cnf: every shop-wide setting as a Perl variable, the file the two CGI
// scripts load before anything else. Merchant values are quoted so that they read back
// in Perl exactly as stored (see perl_literal.h).

namespace vendora {

struct RunContext;

// Generation step: writes data/config.cnf and enters it in the data folder's publish
// list; the logo and the gift-wrap pictures it names go to the lists of their folders.
// It is also the last check of the commerce settings: no shipping method with charges
// (20079), tax by region without a region (20077), an order channel without its
// address (20073 to 20075), no order channel (20076) or no payment (20078) shows the
// message (information icon), leaves the file as far as written and fails. A file that
// cannot be created and a database error are logged and fail as well.
bool WriteConfigFileStep(RunContext& run);

}  // namespace vendora
