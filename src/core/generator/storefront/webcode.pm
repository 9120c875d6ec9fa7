# webcode.pm - page head and foot, hidden fields and shared HTML of the Vendora shop, Version 1.23
package WebCode;

use strict;
use warnings;

1;
