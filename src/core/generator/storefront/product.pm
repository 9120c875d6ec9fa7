# product.pm - catalogue data files and catalogue pages of the Vendora shop, Version 1.10
package Product;

use strict;
use warnings;

1;
