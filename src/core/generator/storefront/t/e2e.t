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
use ShopFixture qw(MakeShop StartWebServer StopServer FreePort Submit OrderWalk CgiPost Mails Serve);

my $http = HTTP::Tiny->new('timeout' => 30);

sub Shop {
    my ($config) = @_;
    my $port = FreePort();
    my $shop = MakeShop('url' => "http://127.0.0.1:$port/shop/", 'cgi_url' => "http://127.0.0.1:$port/cgi-bin/",
        'config' => $config);
    StartWebServer($shop, $port);
    my $post = sub {
        my $r = $http->post("http://127.0.0.1:$port/cgi-bin/$_[0]",
            { 'headers' => { 'Content-Type' => 'application/x-www-form-urlencoded' }, 'content' => $_[1] });
        die "$_[0]: $r->{'status'} $r->{'content'}" unless $r->{'success'};
        return $r->{'content'};
    };
    return ($shop, $port, $post);
}

my %customer = ('b_firstname' => 'Erika', 'b_name' => 'Muster', 'b_street' => "Stra\xDFe 1", 'b_zip' => '53111',
    'b_city' => 'Bonn', 'b_phone' => '0228 1', 'b_email' => 'erika@example.org');
my %quick = (0 => \%customer, 2 => { 'payment_typ' => 'Vorkasse' }, 3 => { 'agb_accept' => 'yes' });

subtest 'storefront to receipt under lighttpd' => sub {
    my ($shop, $port, $post) = Shop();
    my $r = $http->get("http://127.0.0.1:$port/cgi-bin/catalog.pl");
    is($r->{'headers'}{'content-type'}, 'text/html; charset=iso-8859-1', 'storefront in ISO-8859-1');
    like($r->{'content'}, qr/<META NAME="viewport" CONTENT="width=device-width, initial-scale=1">/, 'phone-ready');
    my $page = Submit($post, Submit($post, $r->{'content'}, 'categorypage_1'), 'detailpage_10');
    like($page, qr/Zweite Pfl\xFCckung/, 'category, then detail');
    $page = Submit($post, Submit($post, $page, 'buy_10', 'add_10|101' => 1), 'show_back');
    $page = Submit($post, Submit($post, Submit($post, $page, 'show_front'), 'categorypage_2'), 'buy_20', 'add_20|201' => 1);
    $page = Submit($post, $page, 'show_recalc', 'ov_10|101' => '2');
    like($page, qr/<b>EUR 57\.70<\/b>/, 'two items in the cart, recalculated: 2 x 13.90 + 29.90');
    $page = Submit($post, $page, 'show_order');
    my %entries = (%quick, 1 => { 'gift_wrap' => 'Rot', 'gift_txt' => "Alles Gute!\r\n.Tante" },
        2 => { 'send_via' => 'AO1', 'versand' => '00_DHL Paket', 'payment_typ' => 'Nachnahme' });
    my @steps;
    while ($page =~ /NAME="show_next"/ && $page =~ /NAME="ActivPage" VALUE="(\d)"/ && !grep { $_ == $1 } @steps) {
        push @steps, $1;
        $page = Submit($post, $page, 'show_next', %{ $entries{ $steps[-1] } });
    }
    is("@steps", '0 1 2 3', 'every order step');
    like($page, qr/Zahlungsbetrag<\/B><\/FONT><\/TD><TD[^>]*><FONT[^>]*><B>EUR 67\.20/, 'receipt: 57.70 + gift 3.50 + payment 6.00');
    StopServer($shop);

    my $mails = Mails($shop);
    is(scalar @$mails, 2, 'order mail and copy to the customer');
    is($mails->[0]{'args'}, '-t -i', 'recipients from the head; a lone dot does not end the mail');
    my ($merchant, $copy) = map { $_->{'text'} } @$mails;
    like($merchant, qr/^To: bestellung\@teehaus\.example\nFrom: bestellung\@teehaus\.example\nReply-to: erika\@example\.org\n/,
        'to the merchant, answers go to the customer');
    foreach my $line ('2      AS-500 +Assam Gold +13\.90 +27\.80', '1      TK-2 +Teekanne "Classic" +29\.90 +29\.90',
                      'Geschenkservice +3\.50', 'Zahlungsbetrag +67\.20', 'enthaltene Steuer 7\.00% +1\.82',
                      'enthaltene Steuer 19\.00% +4\.77', "Stra\xDFe 1", 'Benachrichtigung:\nAlles Gute!\n\.Tante') {
        like($merchant, qr/^$line$/m, "mail: $line");
    }
    like($copy, qr/^To: erika\@example\.org\n/, 'copy to the customer');
};

# Trailing blanks pass the checks of each step; the order must be priced
# and mailed as the clean choice. One item at 7.50, shipping 4.90 (below the
# 50.00 break), wrap 2.50, cash on delivery 6.00: 20.90 net, 19 % regional
# tax 3.97, total 24.87.
subtest 'choices with trailing blanks are priced as the clean ones' => sub {
    my ($shop, $port, $post) = Shop("\$Taxes = 1;\n\$RegioTax{'DE'} = 19;\n\$RegioTax{'AT'} = 20;\n");
    my $pages = OrderWalk($post, { 0 => { %customer, 'b_state' => 'DE ' }, 1 => { 'gift_wrap' => 'Rot ' },
        2 => { 'send_via' => 'AO1 ', 'versand' => '00_DHL Paket ', 'payment_typ' => 'Nachnahme ' }, 3 => { 'agb_accept' => 'yes' } },
        '10|100');
    StopServer($shop);
    like($pages->{'receipt'}, qr/Vielen Dank/, 'order placed');
    my ($merchant) = map { $_->{'text'} } @{ Mails($shop) };
    foreach my $line ('Summe +7\.50', 'Versandkosten \(DHL Paket\) +4\.90', 'Geschenkservice +2\.50', 'Zahlungsart \(Nachnahme\) +6\.00',
                      'Steuer 19\.00% +3\.97', 'Zahlungsbetrag +24\.87', 'Geschenkpapier: Rot') {
        like($merchant, qr/^$line$/m, "mail: $line");
    }
    like($pages->{'receipt'}, qr/Zahlungsbetrag<\/B><\/FONT><\/TD><TD[^>]*><FONT[^>]*><B>EUR 24\.87/, 'receipt: 24.87');
};

subtest 'order mail by SMTP' => sub {
    my (undef, $log) = tempfile(UNLINK => 1);
    my ($smtp, $pid) = Serve(sub {
        my ($c) = @_;
        open(my $out, '>>', $log) or die;
        print {$c} "220 sink\r\n";
        my $data;
        while (my $line = <$c>) {
            print {$out} $line;
            my $reply = $data ? ($line eq ".\r\n" ? '250 queued' : undef) : $line =~ /^data/ ? '354 go' : '250 ok';
            $data = $reply ? $reply =~ /^354/ : 1;
            print {$c} "$reply\r\n" if $reply;
            last if $line =~ /^quit/;
        }
    }, 2);
    my ($shop, $port, $post) = Shop("\$SubmitType = 2;\n\$SubmitOption = q{127.0.0.1:$smtp};\n");
    like(OrderWalk($post, \%quick, '10|100')->{'receipt'}, qr/Vielen Dank/, 'receipt');
    StopServer($shop);
    waitpid($pid, 0);
    my $dialogue = do { open(my $in, '<', $log) or die; local $/; <$in> };
    like($dialogue, qr/^mail from:<bestellung\@teehaus\.example>\r\nrcpt to:<bestellung\@teehaus\.example>\r\ndata\r\n/m, 'to the merchant');
    like($dialogue, qr/^rcpt to:<erika\@example\.org>\r\n/m, 'copy to the customer');
    like($dialogue, qr/^Zahlungsbetrag +12\.40\r\n/m, '7.50 + 4.90 shipping, CR LF line ends');
};

subtest 'order channels without a mail from the server' => sub {
    my @cases = (
        [ 'print and post', '', 'AO2', qr/per Post an<\/B><P><B>Teehaus M&uuml;ller &amp; S&ouml;hne<\/B><BR>Hafenstra&szlig;e 7/ ],
        [ 'print and fax', '', 'AO3', qr/per Fax an<\/B><P>0421 123457/ ],
        [ 'mailto form', "\$SubmitType = 0;\n", 'AO1',
          qr/<FORM ACTION="mailto:bestellung\@teehaus\.example" METHOD=POST ENCTYPE="text\/plain">.*Zahlungsbetrag +12\.40/s ],
        [ 'failed mail program', "\$ENV{'FAKE_SENDMAIL_FAIL'} = 1;\n", 'AO1', qr/folgender Fehler aufgetreten:.*telefonisch unter 0421 123456 oder per eMail unter info\@teehaus\.example.*Zahlungsbetrag +12\.40.*NAME="show_next" VALUE="Bestellung abschicken"/s ],
    );
    foreach my $case (@cases) {
        my ($name, $config, $channel, $expect) = @$case;
        my $shop = MakeShop('config' => $config);
        my $pages = OrderWalk(CgiPost($shop), { %quick, 2 => { 'send_via' => $channel, 'payment_typ' => 'Vorkasse' } }, '10|100');
        like($pages->{'receipt'}, $expect, $name);
        is(scalar @{ Mails($shop) }, 0, "$name: no mail") unless $name =~ /failed/;
    }
};

done_testing();
