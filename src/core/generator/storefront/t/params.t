# Request parameters, button names, quantities and the cart fields.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use ShopFixture qw(MakeShop LoadShop);

LoadShop(MakeShop());

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
