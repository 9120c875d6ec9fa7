# Numbers as customers read them (decimal point as always, or the German
# decimal comma with the symbol after the amount), the shipping-cost page
# against tables worked out by hand, colours checked for contrast and mail
# lines kept short.
use strict;
use warnings;
no warnings 'once';
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use ShopFixture qw(MakeShop LoadShop RunCgi);

LoadShop(MakeShop());

sub Comma {
    my ($on, $code) = @_;
    local $main::UseDecComma = $on;
    return $code->();
}

subtest 'prices, rates and numbers' => sub {
    my @cases = (
        # what, comma off, comma on
        [ 'price', sub { WebCode::Price(4.95) }, 'EUR 4.95', '4,95&nbsp;&euro;' ],
        [ 'thousands', sub { WebCode::Price(1999.9) }, 'EUR 1999.90', '1.999,90&nbsp;&euro;' ],
        [ 'millions', sub { WebCode::Price(1234567.891) }, 'EUR 1234567.89', '1.234.567,89&nbsp;&euro;' ],
        [ 'second currency keeps its code', sub { WebCode::Price(5.2, 'CHF') }, 'CHF 5.20', '5,20&nbsp;CHF' ],
        [ 'a euro sign in the settings', sub { WebCode::Price(3, '&euro;') }, '&euro; 3.00', '3,00&nbsp;&euro;' ],
        [ 'discount', sub { WebCode::Price(-5) }, 'EUR -5.00', '-5,00&nbsp;&euro;' ],
        [ 'no minus before nothing', sub { WebCode::Number(-0.004, 2) }, '0.00', '0,00' ],
        [ 'weight', sub { WebCode::Number(1.25, 2) }, '1.25', '1,25' ],
        [ 'tax rate', sub { WebCode::Rate('19.00') }, '19.00%', '19&nbsp;%' ],
        [ 'reduced rate', sub { WebCode::Rate(7.5) }, '7.50%', '7,5&nbsp;%' ],
        [ 'short number', sub { WebCode::ShortNumber(1000) }, '1000', '1.000' ],
        [ 'short fraction', sub { WebCode::ShortNumber(1.5) }, '1.5', '1,5' ],
        [ 'minimum order value', sub { WebCode::MinOrderText() },
          'Ihre Gesamtsumme liegt noch unter dem Mindestbestellwert von EUR 5.00.',
          'Ihre Gesamtsumme liegt noch unter dem Mindestbestellwert von 5,00&nbsp;&euro;.' ],
    );
    foreach my $case (@cases) {
        my ($what, $code, $off, $on) = @$case;
        is(Comma(0, $code), $off, "$what, decimal point");
        is(Comma(1, $code), $on, "$what, decimal comma");
    }
    is(WebCode::Price(4.95), 'EUR 4.95', 'a shop without the setting writes prices as always');
};

subtest 'pages in a shop with the decimal comma' => sub {
    my $shop = MakeShop('config' => "\$UseDecComma = 1;\n");
    my (undef, $page) = RunCgi($shop, 'catalog.pl', 'body' => 'categorypage_2=x');
    like($page, qr/Steuersatz: 19&nbsp;%/, 'tax rate');
    # Teekanne TK-2: 1.50 kg, own shipping 2.50, 29.90 EUR, 28.70 CHF; the
    # cells carry their column's name for the cards of a phone.
    my ($row) = $page =~ /(<TR CLASS="item">[^\n]*add_20\|201[^\n]*)/;
    is_deeply([ $row =~ /DATA-LABEL="([^"]*)"><FONT[^>]*>([^<]*)</g ],
        [ 'Artikel', 'TK-2', 'Farbe', 'Rot', "Gr\xF6\xDFe", '1,5 l', 'Gewicht', '1,50', 'Versand', '2,50',
          'Preis in EUR', '29,90', 'Preis in CHF', '28,70' ], 'each cell of an item with its column name');
    like($page, qr/Preise inkl\. MwSt\., zzgl\. <INPUT TYPE=SUBMIT NAME="show_shipping" VALUE="Versandkosten"/,
        'tax and shipping beside the prices');
    (undef, $page) = RunCgi($shop, 'catalog.pl', 'body' => 'show_wk=x&ov_10|101=2&ov_20|201=1');
    like($page, qr{<b>57,70&nbsp;&euro;</b><BR><FONT COLOR="#7A1F2B">55,50&nbsp;CHF</FONT>}, 'cart total: 2 x 13.90 + 29.90');
    (undef, $page) = RunCgi($shop, 'catalog.pl', 'body' => 'show_wk=x&ov_21|210=1');
    like($page, qr/Mindestbestellwert von 5,00&nbsp;&euro;\./, 'minimum order value');
};

# The charges that Sales::ShippingCost takes, as the shipping page must
# show them: from each break up to the next, nothing below the first.
subtest 'shipping-cost page' => sub {
    my $page = sub {
        my ($config) = @_;
        my (undef, $html) = RunCgi(MakeShop('config' => $config), 'catalog.pl', 'body' => 'show_shipping=x&ActivPage=cp_1&LastPage=sf');
        my @tables;
        while ($html =~ m{<CAPTION>.*?<B>([^<]*)</B>.*?</CAPTION>(.*?)</TABLE>}gs) {
            my ($name, $body) = ($1, $2);
            push @tables, [ $name, [ map { [ m{<TD><FONT[^>]*>(.*?)</FONT></TD><TD ALIGN=RIGHT><FONT[^>]*>(.*?)</FONT>} ] }
                grep { /<TD>/ } split /\n/, $body ] ];
        }
        return ($html, \@tables);
    };
    my @cases = (
        [ 'by goods value, as the fixture shop', '', [
            [ 'DHL Paket', [ [ 'bis unter EUR 50.00', 'EUR 4.90' ], [ 'ab EUR 50.00', 'EUR 0.00' ] ] ],
            [ 'Express', [ [ 'jede Bestellung', 'EUR 12.00' ] ] ] ] ],
        [ 'by goods value, breaks out of order, decimal comma',
          "\$UseDecComma = 1;\n%aShipping = ('00_Paket' => '50.00/0.00,0.00/4.90');\n", [
            [ 'Paket', [ [ 'bis unter 50,00&nbsp;&euro;', '4,90&nbsp;&euro;' ], [ 'ab 50,00&nbsp;&euro;', '0,00&nbsp;&euro;' ] ] ] ] ],
        [ 'by weight', "\$UseDecComma = 1;\n\$Shipping_Typ = 2;\n%aShipping = ('00_DHL' => '0.00/4.90,5.00/6.90,20.00/12.90');\n", [
            [ 'DHL', [ [ 'bis unter 5 kg', '4,90&nbsp;&euro;' ], [ '5 kg bis unter 20 kg', '6,90&nbsp;&euro;' ],
                       [ 'ab 20 kg', '12,90&nbsp;&euro;' ] ] ] ] ],
        [ 'by quantity, nothing below the first break', "\$Shipping_Typ = 1;\n%aShipping = ('00_Post' => '2.00/3.00,5.50/8.00');\n", [
            [ 'Post', [ [ 'bis unter 2 Artikel', 'EUR 0.00' ], [ '2 Artikel bis unter 5.5 Artikel', 'EUR 3.00' ],
                        [ 'ab 5.5 Artikel', 'EUR 8.00' ] ] ] ] ],
        [ 'flat charge', "\$Shipping_Typ = 3;\n%aShipping = ('00_Paket' => '0.00/6.50');\n", [
            [ 'Paket', [ [ 'je Bestellung', 'EUR 6.50' ] ] ] ] ],
    );
    foreach my $case (@cases) {
        my ($name, $config, $expected) = @$case;
        my ($html, $tables) = $page->($config);
        is_deeply($tables, $expected, $name) or diag explain $tables;
    }
    my ($html) = $page->('');
    like($html, qr/NAME="ActivPage" VALUE="vk"/, 'page code of the shipping page');
    like($html, qr/NAME="LastPage" VALUE="cp_1"/, 'the way back kept');
    like($html, qr/Nachnahme: zzgl\. EUR 6\.00<BR>\nVorkasse: ohne Aufpreis/, 'payment charges');
    like($html, qr/Mindestbestellwert: EUR 5\.00/, 'minimum order value');
    ($html) = $page->("\$Shipping_Typ = 4;\n");
    like($html, qr/in der Spalte &quot;Versand&quot;; sie werden f&uuml;r jedes bestellte St&uuml;ck berechnet/, 'charged per item');
    ($html, my $tables) = $page->("\$Shipping_Typ = 5;\n");
    like($html, qr/versandkostenfrei/, 'free shipping');
    is_deeply($tables, [], 'without a table');
    ($html) = $page->("\$UseDecComma = 1;\n\$Shipping_Ensurance = 1;\n\$Shipping_Ensurance_Value = 1.5;\n"
        . "\$Shipping_Ensurance_Limit = 200;\n\$Shipping_Ensurance_Replace = 1;\n\$Shipping_Ensurance_Replace_Value = 500;\n");
    like($html, qr/Transportversicherung: 1,5 % des Warenwerts ab einem Warenwert von 200,00&nbsp;&euro;\. Ab einem Warenwert von 500,00&nbsp;&euro; entfallen daf&uuml;r die Versandkosten\./,
        'transport insurance');
};

subtest 'contrast against the background' => sub {
    is(sprintf('%.2f', WebCode::ContrastRatio('#000000', '#FFFFFF')), '21.00', 'black on white');
    is(sprintf('%.2f', WebCode::ContrastRatio('#767676', '#fff')), '4.54', 'the lightest grey that passes');
    is(sprintf('%.2f', WebCode::ContrastRatio('#777777', '#FFFFFF')), '4.48', 'one step lighter fails');
    is(WebCode::ReadableColour('#FFFFFF', '#777777', '#767676'), '#767676', 'the first readable candidate');
    is(WebCode::ReadableColour('#FFFFFF', '#777777', 'red'), '#000000', 'none readable: black on a light ground');
    is(WebCode::ReadableColour('#1F2A44', '#7A1F2B'), '#FFFFFF', 'none readable: white on a dark ground');
    is(WebCode::ReadableColour('transparent', '#767676'), '#767676', 'an unreadable ground counts as white');
};

subtest 'mail lines stay short' => sub {
    my $long = join(' ', ('Widerruf') x 20);
    my @lines = split /\n/, Sales::WrapText("$long\n\nkurz", 30);
    is_deeply([ map { length } @lines ], [ 26, 26, 26, 26, 26, 26, 17, 0, 4 ], 'broken at blanks, empty lines kept');
    is(Sales::WrapText('x' x 40, 30), 'x' x 40, 'a word longer than a line stays whole');
};

done_testing();
