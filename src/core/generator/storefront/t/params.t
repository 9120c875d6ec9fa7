# Request parameters, button names, quantities and the cart fields.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use ShopFixture qw(MakeShop LoadShop RunCgi Form);

my $shop = MakeShop();
LoadShop($shop);

sub Request {
    my (%req) = @_;
    local $ENV{'REQUEST_METHOD'} = $req{'method'} || 'GET';
    local $ENV{'QUERY_STRING'} = $req{'query'} || '';
    my $body = defined $req{'body'} ? $req{'body'} : '';
    local $ENV{'CONTENT_LENGTH'} = defined $req{'length'} ? $req{'length'} : length $body;
    local $ENV{'CONTENT_TYPE'} = $req{'type'} || 'application/x-www-form-urlencoded';
    local *STDIN;
    open(STDIN, '<', \$body) or die;
    return WebCode::ReadParams($req{'postOnly'});
}

subtest 'url-encoded GET and POST parameters' => sub {
    my ($p, $names, $err) = Request('query' => 'a=1&b=x+y%21&a=2&c', 'method' => 'POST',
        'body' => 'search_string=%3Cscript%3E&nul=a%00b&d=%e4');
    is($err, undef, 'accepted');
    is_deeply($names, [qw(a b c search_string nul d)], 'names in order, query first');
    is_deeply($p, { 'a' => '1', 'b' => 'x y!', 'c' => '', 'search_string' => '<script>', 'nul' => 'ab', 'd' => "\xE4" },
        'decoded, first value wins, NUL dropped, bytes kept');
    ($p, $names) = Request('query' => 'ov_1|2=1', 'method' => 'POST', 'body' => 'x=1', 'postOnly' => 1);
    is_deeply($names, ['x'], 'the order script reads the body only');
};

is((Request('query' => join('&', map { "f$_=1" } 1 .. 2001)))[2], 'count', 'too many fields refused');
is((Request('method' => 'POST', 'type' => 'multipart/form-data; boundary=x', 'body' => 'a=1'))[2], 'type', 'multipart refused');

subtest 'IDs from button names' => sub {
    my @cases = (
        [ 'categorypage_12.x', 'categorypage_', [ '12', undef ] ],
        [ 'categorypage_12', 'categorypage_', [ '12', undef ] ],
        [ 'categorypage_12_3.y', 'categorypage_', [ '12', '3' ] ],
        [ 'detailpage_7', 'detailpage_', [ '7', undef ] ],
        [ 'categorypage_../../etc/passwd', 'categorypage_', [] ],
        [ 'detailpage_1e3', 'detailpage_', [] ],
        [ 'detailpage_', 'detailpage_', [] ],
        [ 'detailpage_12345678901', 'detailpage_', [] ],
        [ 'categorypage_12_0', 'categorypage_', [ '12', '0' ] ],
        [ 'detailpage_010', 'detailpage_', [] ],
        [ 'detailpage_0', 'detailpage_', [] ],
        [ 'categorypage_12_03', 'categorypage_', [] ],
        [ 'detailpage_+7', 'detailpage_', [] ],
        [ "detailpage_7\n", 'detailpage_', [] ],
    );
    foreach my $case (@cases) {
        is_deeply([ WebCode::ButtonId($case->[0], $case->[1]) ], $case->[2], $case->[0]);
    }
    my %ids = ('7' => 1, '123456789' => 1, '07' => '', '0' => '', '-7' => '', ' 7' => '', "7\n" => '', '1234567890' => '');
    is(WebCode::IsId($_) ? 1 : '', $ids{$_}, "IsId \"$_\"") foreach sort keys %ids;
    my %codes = ('cp_12' => 'cp_12', 'lp_2_1' => 'lp_2_1', 'dp_10' => 'dp_10', 'wk' => 'wk', 'cp_012' => 'sf', 'dp_0' => 'sf',
        'cp_1_01' => 'sf', "wk\n" => 'sf', 'xx_1' => 'sf');
    is(WebCode::PageCode($_), $codes{$_}, "page code \"$_\"") foreach sort keys %codes;
};

# The catalogue goes back to "LastPage" and the order keeps "ReturnPage"
# for the way back; both must take a code the same way.
subtest 'both scripts take the same page codes' => sub {
    my %codes = ('sf' => 'sf', 'wk' => 'wk', 'sp' => 'sp', 'ip' => 'ip', 'sh' => 'sh', 'agb' => 'agb', 'im' => 'im', 'ds' => 'ds',
        'wr' => 'wr', 'vk' => 'vk', 'cp_1' => 'cp_1', 'lp_2_0' => 'lp_2_0', 'dp_10' => 'dp_10',
        'cp_01' => 'sf', 'dp_10_x' => 'sf', 'xx' => 'sf', 'AGB' => 'sf', "im\n" => 'sf', '3' => 'sf', '' => 'sf');
    foreach my $code (sort keys %codes) {
        my (undef, $catalog) = RunCgi($shop, 'catalog.pl', 'body' => Form([ 'show_back', 'x' ], [ 'LastPage', $code ]));
        my (undef, $order) = RunCgi($shop, 'order.pl', 'body' => Form([ 'ov_10|101', 1 ], [ 'ActivPage', 'wk' ], [ 'ReturnPage', $code ]));
        my ($shown) = $catalog =~ /NAME="ActivPage" VALUE="([^"]*)"/;
        my ($kept) = $order =~ /NAME="ReturnPage" VALUE="([^"]*)"/;
        (my $label = $code) =~ s/\n/\\n/g;
        is("$shown $kept", "$codes{$code} $codes{$code}", "\"$label\"");
    }
    # "ActivPage" names an order step in the order script, a page in the
    # catalogue: neither takes the other's.
    my %customer = ('b_firstname' => 'E', 'b_name' => 'M', 'b_street' => 'W', 'b_zip' => '1', 'b_city' => 'B', 'b_phone' => '1',
        'b_email' => 'e@example.org', 'send_via' => 'AO1', 'versand' => '00_DHL Paket', 'payment_typ' => 'Vorkasse');
    my %steps = ('0' => 0, '2' => 2, '3' => 3, '5' => 3, '6' => 0, '-1' => 0, '02' => 0, 'wk' => 0, 'sf' => 0, 'cp_1' => 0);
    foreach my $step (sort keys %steps) {
        my (undef, $page) = RunCgi($shop, 'order.pl', 'body' => Form([ 'ov_10|101', 1 ], [ 'ActivPage', $step ],
            map { [ $_, $customer{$_} ] } sort keys %customer));
        my ($shown) = $page =~ /NAME="ActivPage" VALUE="(\d)"/;
        is($shown, $steps{$step}, "order step \"$step\"");
    }
};

subtest 'both scripts refuse a request they cannot read alike' => sub {
    my @cases = (
        [ 'too large', { 'body' => 'x=' . ('a' x 70000) }, '413 Request Entity Too Large', 'Die Anfrage ist zu gro&szlig;' ],
        [ 'too many fields', { 'body' => join('&', map { "f$_=1" } 1 .. 2001) }, '400 Bad Request', 'zu viele Felder' ],
        [ 'not a form', { 'body' => 'a=1', 'type' => 'text/plain' }, '400 Bad Request', 'ein unbekanntes Format' ],
    );
    foreach my $case (@cases) {
        my ($name, $req, $status, $text) = @$case;
        foreach my $script ('catalog.pl', 'order.pl') {
            my ($head, $page) = RunCgi($shop, $script, %$req);
            like($head, qr/\AStatus: \Q$status\E\r\n/, "$script, $name: status");
            like($page, qr/<TITLE>[^<]*Ung&uuml;ltige Anfrage<\/TITLE>.*\Q$text\E/s, "$script, $name: says why");
        }
    }
};

subtest 'trimming' => sub {
    my @cases = ([ ' a b ', 'a b' ], [ "\t\r\n x\r\n", 'x' ], [ '   ', '' ], [ '', '' ], [ undef, '' ],
        [ "a\n \nb", "a\n \nb" ], [ (' ' x 65536) . 'x' . (' ' x 65536), 'x' ], [ ' ' x 65536, '' ]);
    foreach my $case (@cases) {
        my $name = defined $case->[0] ? (length $case->[0] > 20 ? length($case->[0]) . ' characters' : "\"$case->[0]\"") : 'undef';
        is(WebCode::Trim($case->[0]), $case->[1], $name);
    }
    is_deeply(Sales::Normalise({ 'versand' => '00_DHL Paket ', 'payment_typ' => " Nachnahme\t", 'gift_wrap' => "Rot \r\n",
        'b_state' => 'DE ', 'gift_txt' => " Alles\r\nGute \r\n", 'ActivPage' => ' 3', 'ov_10|100' => '1' }),
        { 'versand' => '00_DHL Paket', 'payment_typ' => 'Nachnahme', 'gift_wrap' => 'Rot', 'b_state' => 'DE',
          'gift_txt' => "Alles\r\nGute" },
        'the order entries trimmed once; other fields are not order entries');
};

subtest 'quantities' => sub {
    my @cases = (
        [ '2', 2 ], [ ' 3 ', 3 ], [ '1,5', 1.5 ], [ '0.25', 0.25 ], [ '0', 0 ], [ '9999', 9999 ],
        [ '-1', undef ], [ '10000', undef ], [ 'abc', undef ], [ '1e3', undef ], [ '', undef ],
        [ '1,2345', undef ], [ '1,5,5', undef ], [ "2\n", 2 ], [ '0x10', undef ],
    );
    foreach my $case (@cases) {
        is(WebCode::ParseQuantity($case->[0]), $case->[1], "\"$case->[0]\"");
    }
    is(WebCode::QuantityText(1.5), '1,5', 'shown with a decimal comma');
    is(WebCode::QuantityText(3), '3', 'whole numbers without decimals');
};

subtest 'cart fields' => sub {
    my @names = ('ov_10|100', 'ov_11|110', 'ov_../x', 'ov_12|120', 'ov_10|100', 'ov_13|130', 'ov_010|100', 'ov_10|0100',
        'ov_0|100', 'LastPage');
    my %p = ('ov_10|100' => '2', 'ov_11|110' => '-1', 'ov_../x' => '1', 'ov_12|120' => '0', 'ov_13|130' => '1,5',
        'ov_010|100' => '1', 'ov_10|0100' => '1', 'ov_0|100' => '1', 'LastPage' => 'sf');
    my ($lines, $errors) = WebCode::ReadCart(\%p, \@names);
    is_deeply($lines, [ { 'pid' => 10, 'iid' => 100, 'qty' => 2 }, { 'pid' => 13, 'iid' => 130, 'qty' => 1.5 } ],
        'valid lines kept, quantity 0 dropped, duplicates once');
    is_deeply([ map { $_->{'key'} } @$errors ], [ '11|110', '../x', '010|100', '10|0100', '0|100' ],
        'negative quantity, bad key and IDs with leading zeros refused');
};

done_testing();
