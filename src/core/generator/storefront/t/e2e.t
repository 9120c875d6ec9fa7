# The shop under lighttpd with mod_cgi on 127.0.0.1, driven with HTTP
# requests from storefront to receipt; the order mail by the mail program and
# by SMTP, and the other order channels.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use HTTP::Tiny;
use File::Temp qw(tempfile);
use ShopFixture qw(MakeShop StartWebServer StopServer FreePort Submit OrderWalk CgiPost Mails Form Serve);

my $lighttpd = -x '/usr/sbin/lighttpd' ? '/usr/sbin/lighttpd' : `command -v lighttpd`;
BAIL_OUT('lighttpd is needed for the end-to-end test') unless $lighttpd && -x $lighttpd =~ s/\s+$//r;

my $http = HTTP::Tiny->new('timeout' => 30);

sub Shop {
    my ($config) = @_;
    my $port = FreePort();
    my $shop = MakeShop('url' => "http://127.0.0.1:$port/shop/", 'cgi_url' => "http://127.0.0.1:$port/cgi-bin/",
        'config' => $config || '');
    StartWebServer($shop, $port);
    my $post = sub {
        my ($script, $body) = @_;
        my $r = $http->request('POST', "http://127.0.0.1:$port/cgi-bin/$script",
            { 'headers' => { 'Content-Type' => 'application/x-www-form-urlencoded' }, 'content' => $body });
        die "$script: $r->{'status'} $r->{'content'}" unless $r->{'success'};
        return $r->{'content'};
    };
    return ($shop, $port, $post);
}

my %customer = ('b_firstname' => 'Erika', 'b_name' => 'Muster', 'b_street' => "Stra\xDFe 1", 'b_zip' => '53111',
    'b_city' => 'Bonn', 'b_phone' => '0228 1', 'b_email' => 'erika@example.org');

subtest 'storefront to receipt under lighttpd' => sub {
    my ($shop, $port, $post) = Shop();
    my $r = $http->get("http://127.0.0.1:$port/cgi-bin/catalog.pl");
    is($r->{'status'}, 200, 'storefront');
    is($r->{'headers'}{'content-type'}, 'text/html; charset=iso-8859-1', 'in ISO-8859-1');
    like($r->{'content'}, qr/<META NAME="viewport" CONTENT="width=device-width, initial-scale=1">/, 'phone-ready');
    is($http->get("http://127.0.0.1:$port/shop/imgs/div.png")->{'status'}, 200, 'graphic set picture served');
    my $page = Submit($post, $r->{'content'}, 'categorypage_1');
    like($page, qr/Assam Gold/, 'category');
    $page = Submit($post, $page, 'detailpage_10');
    like($page, qr/Zweite Pfl\xFCckung/, 'detail');
    $page = Submit($post, $page, 'buy_10', 'add_10|101' => 1);
    like($page, qr/NAME="ov_10\|101" VALUE="1"/, 'first item in the cart');
    $page = Submit($post, $page, 'show_back');
    like($page, qr/NAME="ActivPage" VALUE="dp_10"/, 'back to the detail');
    $page = Submit($post, Submit($post, $page, 'show_front'), 'categorypage_2');
    $page = Submit($post, $page, 'buy_20', 'add_20|201' => 1);
    $page = Submit($post, $page, 'show_recalc', 'ov_10|101' => '2');
    like($page, qr/<b>EUR 57\.70<\/b>/, 'two items recalculated: 2 x 13.90 + 29.90');
    $page = Submit($post, $page, 'show_order');
    my %seen;
    my %entries = (0 => \%customer, 1 => { 'gift_wrap' => 'Rot', 'gift_txt' => "Alles Gute!\r\n.Tante" },
        2 => { 'send_via' => 'AO1', 'versand' => '00_DHL Paket', 'payment_typ' => 'Nachnahme' }, 3 => { 'agb_accept' => 'yes' });
    while ($page =~ /NAME="show_next"/) {
        my ($step) = $page =~ /NAME="ActivPage" VALUE="(\d)"/;
        last if !defined $step || $seen{$step}++;
        $page = Submit($post, $page, 'show_next', %{ $entries{$step} || {} });
    }
    is_deeply([ sort keys %seen ], [ 0 .. 3 ], 'every order step');
    like($page, qr/Vielen Dank f\xFCr Ihre Bestellung/, 'receipt');
    like($page, qr/Zahlungsbetrag<\/B><\/FONT><\/TD><TD[^>]*><FONT[^>]*><B>EUR 67\.20/, 'total 57.70 + gift 3.50 + payment 6.00');
    StopServer($shop);

    my $mails = Mails($shop);
    is(scalar @$mails, 2, 'order mail and copy to the customer');
    my ($merchant, $copy) = map { $_->{'text'} } @$mails;
    like($merchant, qr/^To: bestellung\@teehaus\.example\nFrom: bestellung\@teehaus\.example\nReply-to: erika\@example\.org\n/,
        'to the merchant, answers go to the customer');
    like($merchant, qr/^Subject: =\?ISO-8859-1\?Q\?Teehaus_M=FCller_=26_S=F6hne_-_Onlinebestellung\?=$/m, 'subject');
    like($merchant, qr/^2      AS-500 +Assam Gold +13\.90 +27\.80$/m, 'first line');
    like($merchant, qr/^1      TK-2 +Teekanne "Classic" +29\.90 +29\.90$/m, 'second line');
    like($merchant, qr/^Geschenkservice +3\.50$/m, 'gift cost');
    like($merchant, qr/^Zahlungsbetrag +67\.20$/m, 'total');
    like($merchant, qr/^enthaltene Steuer 7\.00% +1\.82$/m, 'contained 7 %: 27.80 x 7 / 107');
    like($merchant, qr/^enthaltene Steuer 19\.00% +4\.77$/m, 'contained 19 %: 29.90 x 19 / 119');
    like($merchant, qr/^Stra\xDFe 1$/m, 'customer address in Latin-1');
    like($merchant, qr/Benachrichtigung:\nAlles Gute!\n\.Tante\n/, 'message with its dot line');
    like($copy, qr/^To: erika\@example\.org\n/, 'copy to the customer');
};

subtest 'order mail by SMTP' => sub {
    my (undef, $log) = tempfile(UNLINK => 1);
    my ($smtp, $pid) = Serve(sub {
        my ($c) = @_;
        open(my $out, '>>', $log) or die;
        binmode $out;
        print {$c} "220 sink\r\n";
        my $data;
        while (my $line = <$c>) {
            print {$out} $line;
            if ($data) { if ($line eq ".\r\n") { $data = 0; print {$c} "250 queued\r\n" } next }
            if ($line =~ /^data/i) { $data = 1; print {$c} "354 go\r\n"; next }
            print {$c} "250 ok\r\n";
            last if $line =~ /^quit/i;
        }
        close $out;
    }, 2);
    my ($shop, $port, $post) = Shop("\$SubmitType = 2;\n\$SubmitOption = q{127.0.0.1:$smtp};\n");
    my $pages = OrderWalk($post, { 0 => \%customer, 2 => { 'payment_typ' => 'Vorkasse' }, 3 => { 'agb_accept' => 'yes' } }, '10|100');
    StopServer($shop);
    waitpid($pid, 0);
    like($pages->{'receipt'}, qr/Vielen Dank/, 'receipt');
    open(my $in, '<', $log) or die;
    my $dialogue = do { local $/; <$in> };
    like($dialogue, qr/^mail from:<bestellung\@teehaus\.example>\r\nrcpt to:<bestellung\@teehaus\.example>\r\ndata\r\n/m, 'to the merchant');
    like($dialogue, qr/^rcpt to:<erika\@example\.org>\r\n/m, 'copy to the customer');
    like($dialogue, qr/^Zahlungsbetrag +12\.40\r\n/m, '7.50 + 4.90 shipping, CR LF line ends');
    is(scalar(() = $dialogue =~ /^\.\r\n/mg), 2, 'two mails');
};

subtest 'order channels without mail from the server' => sub {
    my @cases = (
        [ 'print and post', '', { 'send_via' => 'AO2' }, qr/per Post an<\/B><P><B>Teehaus M&uuml;ller &amp; S&ouml;hne<\/B><BR>Hafenstra&szlig;e 7/ ],
        [ 'print and fax', '', { 'send_via' => 'AO3' }, qr/per Fax an<\/B><P>0421 123457/ ],
        [ 'mail from the customer\'s mail program', "\$SubmitType = 0;\n", { 'send_via' => 'AO1' },
          qr/<FORM ACTION="mailto:bestellung\@teehaus\.example" METHOD=POST ENCTYPE="text\/plain">.*Zahlungsbetrag +12\.40/s ],
    );
    foreach my $case (@cases) {
        my ($name, $config, $channel, $expect) = @$case;
        my $shop = MakeShop('config' => $config);
        my $pages = OrderWalk(CgiPost($shop), { 0 => \%customer, 2 => { %$channel, 'payment_typ' => 'Vorkasse' },
            3 => { 'agb_accept' => 'yes' } }, '10|100');
        like($pages->{'receipt'}, $expect, $name);
        is(scalar @{ Mails($shop) }, 0, "$name: nothing sent by the server");
    }
};

subtest 'a failed order mail keeps the order' => sub {
    my $shop = MakeShop();
    local $ENV{'FAKE_SENDMAIL_FAIL'} = 1;
    my $pages = OrderWalk(CgiPost($shop), { 0 => \%customer, 2 => { 'payment_typ' => 'Vorkasse' }, 3 => { 'agb_accept' => 'yes' } }, '10|100');
    like($pages->{'receipt'}, qr/Beim Absenden der Bestellung ist folgender Fehler aufgetreten:/, 'error shown');
    like($pages->{'receipt'}, qr/Bitte Informieren Sie uns telefonisch unter 0421 123456 oder per eMail unter info\@teehaus\.example/,
        'hot line');
    like($pages->{'receipt'}, qr/Zahlungsbetrag +12\.40/, 'the order text for the customer');
    like($pages->{'receipt'}, qr/NAME="show_next" VALUE="Bestellung abschicken"/, 'and a button to send it again');
};

done_testing();
