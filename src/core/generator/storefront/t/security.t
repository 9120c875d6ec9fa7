# What a hostile request gets: escaped echoes, no extra mail head lines,
# refused quantities, IDs and oversized bodies, no card data from an address.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use ShopFixture qw(MakeShop RunCgi OrderWalk CgiPost Mails Form);

my $shop = MakeShop();
my $probe = qq{<script>alert("x")</script>'};
my $escaped = '&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&#39;';

subtest 'search text comes back escaped' => sub {
    my (undef, $page) = RunCgi($shop, 'catalog.pl', 'body' => Form([ 'search_string', $probe ], [ 'show_search', 'x' ]));
    like($page, qr/VALUE="\Q$escaped\E"/, 'escaped in the search field');
    unlike($page, qr/<script>alert/, 'never raw');
};

my %customer = ('b_firstname' => 'Erika', 'b_name' => $probe, 'b_company' => 'A "B" & <C>', 'b_street' => 'Weg 1',
    'b_zip' => '53111', 'b_city' => 'Bonn', 'b_phone' => '0228 1', 'b_email' => 'erika@example.org');

subtest 'customer fields come back escaped on every step' => sub {
    my $pages = OrderWalk(CgiPost($shop), { 0 => \%customer, 1 => { 'gift_txt' => $probe },
        2 => { 'payment_typ' => 'Vorkasse' }, 3 => { 'agb_accept' => 'yes' } }, '10|101');
    foreach my $step (1, 2, 3, 'receipt') {
        ok($pages->{$step}, "step $step reached") or next;
        unlike($pages->{$step}, qr/<script>alert|<C>/, "step $step: nothing raw");
        like($pages->{$step}, qr/\Q$escaped\E/, "step $step: escaped");
    }
    like($pages->{'receipt'}, qr/Vielen Dank/, 'order placed');
    my $mails = Mails($shop);
    is(scalar @$mails, 2, 'order mail and copy');
    my ($head) = split /\n\n/, $mails->[0]{'text'}, 2;
    is(join(',', map { /^([\w-]+):/ } split /\n/, $head),
        'To,From,Reply-to,X-Mailer,Subject,Date,MIME-Version,Content-Type,Content-Transfer-Encoding', 'only the shop\'s head lines');
};

subtest 'line breaks and bad addresses in customer fields are refused' => sub {
    my @cases = (
        [ 'Bcc in the e-mail field', { 'b_email' => "erika\@example.org\r\nBcc: evil\@example.org" } ],
        [ 'line break in the name', { 'b_name' => "Muster\nBcc: evil\@example.org" } ],
        [ 'address without domain', { 'b_email' => 'erika@' } ],
        [ 'delivery address with a quote', { 's_email' => 'a"b@example.org' } ],
    );
    foreach my $case (@cases) {
        my $s = MakeShop();
        my $pages = OrderWalk(CgiPost($s), { 0 => { %customer, %{ $case->[1] } } }, '10|101');
        ok(!$pages->{1}, "$case->[0]: does not get past the customer data");
        like($pages->{0}, qr/ung&uuml;ltig|unzul&auml;ssige Zeichen/, "$case->[0]: says why");
        is(scalar @{ Mails($s) }, 0, "$case->[0]: no mail");
    }
};

subtest 'card data' => sub {
    my $s = MakeShop();
    my %card = ('payment_typ' => 'Kreditkarte', 'payment_cardorganisation' => 'CC1', 'payment_cardname' => 'E. Muster',
        'payment_cardnumber' => '4111 1111 1111 1111', 'payment_cardexpire1' => '12', 'payment_cardexpire2' => '99',
        'payment_cardpin' => '739');
    my $pages = OrderWalk(CgiPost($s), { 0 => \%customer, 2 => \%card, 3 => { 'agb_accept' => 'yes' } }, '10|101');
    my ($merchant, $copy) = map { $_->{'text'} } @{ Mails($s) };
    like($merchant, qr/Karten-Nummer: 4111111111111111\n/, 'the merchant gets the number to charge');
    unlike($merchant . $copy, qr/Pr\xFCfsumme|739/, 'no mail holds the check digits');
    unlike($pages->{3} . $pages->{'receipt'}, qr/payment_cardpin|739/, 'nor does any page after their step');
    like($copy, qr/Karten-Nummer: \*{12}1111\n/, 'the customer copy shows the number masked');
    unlike($copy . $pages->{'receipt'}, qr/4111111111111111/, 'copy and receipt never in full');
    my %fields = (%customer, %card, 'payment_cardnumber' => 'x');
    my (undef, $again) = RunCgi($s, 'order.pl', 'body' => Form([ 'ActivPage', 2 ], [ 'show_next', 'x' ], [ 'ov_10|101', 1 ],
        map { [ $_, $fields{$_} ] } sort keys %fields));
    like($again, qr/Die Kartennummer ist ung&uuml;ltig/, 'a card step shown again');
    like($again, qr/NAME="payment_cardpin" SIZE=4 MAXLENGTH=4 VALUE=""/, 'does not fill in the check digits');
    foreach my $bad ([ 'payment_cardnumber' => '4111 1111 1111 1112' ], [ 'payment_cardexpire2' => '01' ]) {
        $pages = OrderWalk(CgiPost($s), { 0 => \%customer, 2 => { %card, @$bad } }, '10|101');
        ok($pages->{2} && !$pages->{3}, "$bad->[0] $bad->[1] refused");
    }
};

subtest 'tampered requests' => sub {
    my @cases = (
        [ 'negative quantity in the order', 'order.pl', 'ActivPage=wk&ov_10|101=-5', qr/ist ung&uuml;ltig/ ],
        [ 'huge quantity in the order', 'order.pl', 'ActivPage=wk&ov_10|101=100000', qr/ist ung&uuml;ltig/ ],
        [ 'item of another product', 'catalog.pl', 'show_wk=x&ov_10|200=1', qr/nicht mehr im Angebot/ ],
        [ 'negative quantity in the cart', 'catalog.pl', 'show_recalc=x&ov_10|101=-1', qr/-1&quot; wurde nicht &uuml;bernommen/ ],
        [ 'path as category', 'catalog.pl', 'categorypage_../../etc/passwd.x=1', qr/^Status: 400/ ],
        [ 'path as line', 'catalog.pl', 'showline_20=x&lineid_20=../../etc/passwd', qr/^Status: 400/ ],
        [ 'path as index', 'catalog.pl', 'show_index=x&indexid=../x', qr/^Status: 400/ ],
        [ 'shipping the shop does not offer', 'order.pl', 'ActivPage=2&show_next=x&ov_10|101=1&send_via=AO1&versand=99_Gratis'
          . '&payment_typ=Vorkasse&b_firstname=E&b_name=M&b_street=W&b_zip=1&b_city=B&b_phone=1&b_email=e%40example.org',
          qr/Bitte w&auml;hlen Sie eine Versandart/ ],
        [ 'back to the summary with a shipping the shop does not offer', 'order.pl', 'ActivPage=4&show_back=x&ov_10|101=1'
          . '&send_via=AO1&versand=99_Gratis&payment_typ=Vorkasse&agb_accept=yes&b_firstname=E&b_name=M&b_street=W&b_zip=1'
          . '&b_city=B&b_phone=1&b_email=e%40example.org', qr/Bitte w&auml;hlen Sie eine Versandart(?!.*Zahlungsbetrag)/s ],
        [ 'an ID with a leading zero', 'catalog.pl', 'detailpage_010=x', qr/^Status: 400/ ],
        [ 'a page code with a leading zero', 'catalog.pl', 'show_back=x&LastPage=dp_010', qr/NAME="ActivPage" VALUE="sf"/ ],
    );
    foreach my $case (@cases) {
        my ($name, $script, $body, $expect) = @$case;
        my ($head, $page) = RunCgi($shop, $script, 'body' => $body);
        like("$head\n$page", $expect, $name);
    }
    my ($head, $page) = RunCgi($shop, 'order.pl', 'body' => Form([ 'ActivPage', 'wk' ], [ 'ov_10|101', 1 ]));
    like($page, qr/NAME="b_firstname"/, 'a good quantity reaches the customer data');
    ($head) = RunCgi($shop, 'catalog.pl', 'body' => 'x=' . ('a' x 70000));
    like($head, qr/^Status: 413/, 'oversized body');
    ($head, $page) = RunCgi($shop, 'order.pl', 'method' => 'GET',
        'query' => 'ActivPage=3&show_next=x&payment_cardnumber=4111111111111111&ov_10|101=1');
    unlike($page, qr/4111/, 'card data in an address is ignored');
    unlike($page, qr/NAME="b_firstname"/, 'and starts no order');
};

subtest 'hostile IDs rewrite no file' => sub {
    my $s = MakeShop();
    RunCgi($s, 'catalog.pl', 'body' => 'categorypage_1=x');
    my $pos = "$s->{'store'}data/product.toc.pos";
    ok(-s $pos, 'index built by a first request');
    utime(1_000_000_000, 1_000_000_000, $pos) or die;
    my (undef, $page) = RunCgi($s, 'catalog.pl', 'body' => join('&', 'show_wk=x', map { "ov_010|$_=1" } 100 .. 299));
    is(scalar(() = $page =~ /ung&uuml;ltiger Warenkorbeintrag wurde verworfen/g), 1, '200 keys with leading zeros refused, said once');
    RunCgi($s, 'catalog.pl', 'body' => join('&', 'show_wk=x', map { "ov_$_|$_=1" } 1 .. 9, 40 .. 99));
    is((stat $pos)[9], 1_000_000_000, 'the index is not written again');
};

done_testing();
