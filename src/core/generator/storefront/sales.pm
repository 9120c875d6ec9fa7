# sales.pm - order steps, totals and order mail of the Vendora shop, Version 1.30
package Sales;

use strict;
use warnings;

1;
