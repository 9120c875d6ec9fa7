# order.pl - order script of the Vendora shop, Version 1.12
#
# Leads the customer through the order steps and sends the order. The interpreter line
# and the require line of the shop's config.cnf are put in front of this text when the
# shop is published.
use strict;
use warnings;

print "Content-Type: text/html; charset=ISO-8859-1\n\n";
print "<HTML><HEAD><TITLE>Shop</TITLE></HEAD><BODY></BODY></HTML>\n";
