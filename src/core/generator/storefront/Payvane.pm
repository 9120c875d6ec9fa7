# Payvane.pm - client of the Tolm! Payvane card payment service, Version 2.00
package Payvane;

use strict;
use warnings;

1;
