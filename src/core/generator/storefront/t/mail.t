# The order mail: head, text, the SMTP dialogue against a loopback server and
# the hand-over to a mail program.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use File::Temp qw(tempfile);
use ShopFixture qw(MakeShop LoadShop Serve FreePort Mails);

my $shop = MakeShop();
LoadShop($shop);

subtest 'mail head' => sub {
    my $head = Sales::MailHead('to' => 'bestellung@teehaus.example', 'from' => 'bestellung@teehaus.example',
        'replyto' => 'erika@example.org', 'subject' => "Teehaus M\xFCller & S\xF6hne - Onlinebestellung", 'time' => 0);
    is($head, "To: bestellung\@teehaus.example\nFrom: bestellung\@teehaus.example\nReply-to: erika\@example.org\n"
        . "X-Mailer: Tolm! Vendora\nSubject: =?ISO-8859-1?Q?Teehaus_M=FCller_=26_S=F6hne_-_Onlinebestellung?=\n"
        . "Date: Thu, 01 Jan 1970 00:00:00 +0000\nMIME-Version: 1.0\nContent-Type: text/plain; charset=ISO-8859-1\n"
        . "Content-Transfer-Encoding: 8bit\n", 'head lines');
    foreach my $bad ("erika\@example.org\r\nBcc: x\@evil.example", "a\nb", "a\rb") {
        is(Sales::MailHead('to' => 'a@b.de', 'from' => 'a@b.de', 'replyto' => $bad, 'subject' => 's'), undef,
            'line break in a head value refused');
    }
    is(Sales::SmtpData("a\n.b\n..c\r\nend"), "a\r\n..b\r\n...c\r\nend\r\n.\r\n", 'dots doubled, CR LF, final dot');
};

subtest 'order text' => sub {
    my $o = {
        'v' => { 'b_firstname' => 'Erika', 'b_name' => 'Muster', 'b_street' => 'Weg 1', 'b_zip' => '53111',
                 'b_city' => 'Bonn', 'b_email' => 'erika@example.org', 'versand' => '00_DHL Paket', 'send_via' => 'AO1',
                 'payment_typ' => 'Kreditkarte', 'payment_cardorganisation' => 'CC1', 'payment_cardname' => 'E. Muster',
                 'payment_cardnumber' => '4111 1111 1111 1111', 'payment_cardexpire1' => '3', 'payment_cardexpire2' => '30',
                 'payment_cardpin' => '123', 'gift_wrap' => 'Rot', 'gift_txt' => "Alles Gute\r\n.Tante" },
        'lines' => [ { 'qty' => 2, 'product' => { 'name' => 'Teekanne &quot;Classic&quot;' },
                       'item' => { 'number' => 'TK-1', 'val1' => 'Blau', 'val2' => '1 l', 'mprice' => 24.90 } } ],
        'time' => '07.12.2026 10:00:00',
    };
    my $t = { 'goods' => 49.80, 'discount' => 0, 'shipping' => 4.90, 'insurance' => 0, 'gift' => 3.50, 'payment' => 1.50,
              'tax' => 0, 'contained' => { '19.00' => 9.40 }, 'total' => 59.70 };
    my $text = Sales::OrderText($o, $t, 0);
    like($text, qr/\ABestellung:\n===========\nAlle Preise in EUR\n\n/, 'begins with the order heading');
    like($text, qr/^2      TK-1          Teekanne "Classic"                   24\.90       49\.80\n {21}Blau \/ 1 l\n/m,
        'item line in columns, entities resolved');
    like($text, qr/^Zahlungsbetrag {56}59\.70$/m, 'total');
    like($text, qr/^enthaltene Steuer 19\.00% {47}9\.40$/m, 'contained tax');
    like($text, qr/\nGeschenkservice\n================\nGeschenkpapier: Rot\nBenachrichtigung:\nAlles Gute\n\.Tante\n/, 'gift');
    like($text, qr/Karten-Nummer: 4111111111111111\n/, 'the merchant gets the card number');
    like($text, qr/Pr\xFCfsumme: 123\n/, 'and the check number');
    my $copy = Sales::OrderText($o, $t, 1);
    like($copy, qr/Karten-Nummer: \*{12}1111\n/, 'the customer copy masks the number');
    unlike($copy, qr/4111111111111111|Pr\xFCfsumme/, 'and has no full number nor check number');
    is(Sales::MailErrorText(-6, 'x@y.example', 'mail.example'),
        "Der Benutzer x\@y.example ist dem Rechner mail.example nicht bekannt. Die \xDCbertragung der Nachricht schlug fehl.",
        'recipient refused text');
    is(Sales::MailErrorText(-1, 'nowhere.invalid'), 'nowhere.invalid unbekannt.', 'unknown host text');
};

# A scripted SMTP server: replies by verb, the dialogue goes to a file.
sub SmtpServer {
    my (%reply) = @_;
    my (undef, $log) = tempfile(UNLINK => 1);
    my ($port, $pid) = Serve(sub {
        my ($c) = @_;
        if ($reply{'silent'}) { sleep 4; return }
        open(my $out, '>', $log) or die;
        binmode $out;
        print {$c} ($reply{'greeting'} || "220-sink.example\r\n220 ready") . "\r\n";
        my $inData;
        while (my $line = <$c>) {
            print {$out} $line;
            if ($inData) {
                next unless $line eq ".\r\n";
                $inData = 0;
                print {$c} ($reply{'end'} || '250 queued') . "\r\n";
                next;
            }
            my ($verb) = lc($line) =~ /^(\w+)/;
            $verb = 'rcpt2' if $verb eq 'rcpt' && $reply{'rcpt_seen'}++;
            my $r = $reply{$verb} || ($verb eq 'data' ? '354 go ahead' : $verb eq 'quit' ? '221 bye' : "250-ok\r\n250 ok");
            print {$c} "$r\r\n";
            $inData = 1 if $verb eq 'data' && $r =~ /^3/;
            last if $verb eq 'quit';
        }
        close $out;
    });
    return ($port, $pid, $log);
}

subtest 'SMTP dialogue' => sub {
    my $closed = FreePort();
    my @cases = (
        [ 'accepted', {}, [0] ],
        [ 'service refuses at the greeting', { 'greeting' => '554 no service' }, [-4] ],
        [ 'sender refused', { 'mail' => '550 sender refused' }, [-5] ],
        [ 'second recipient refused', { 'rcpt2' => '550 no such user' }, [ -6, 'c@d.example' ] ],
        [ 'data refused', { 'data' => '451 try later' }, [-5] ],
        [ 'message refused at the end', { 'end' => '554 rejected' }, [-7] ],
        [ 'host that does not answer', { 'silent' => 1 }, [-4] ],
    );
    foreach my $case (@cases) {
        my ($name, $reply, $expected) = @$case;
        my ($port, $pid, $log) = SmtpServer(%$reply);
        my @rc = Sales::Smtp('host' => "127.0.0.1:$port", 'helo' => 'shop.example', 'from' => 'shop@a.example',
            'to' => [ 'a@b.example', 'c@d.example' ], 'data' => "Subject: x\n\nline\n.dot\n", 'timeout' => 1);
        is_deeply(\@rc, $expected, $name);
        kill 'TERM', $pid;
        waitpid($pid, 0);
        next unless $name eq 'accepted';
        open(my $in, '<', $log) or die;
        my $dialogue = do { local $/; <$in> };
        is($dialogue, "helo shop.example\r\nmail from:<shop\@a.example>\r\nrcpt to:<a\@b.example>\r\n"
            . "rcpt to:<c\@d.example>\r\ndata\r\nSubject: x\r\n\r\nline\r\n..dot\r\n.\r\nquit\r\n", 'what the server got');
    }
    is_deeply([ Sales::Smtp('host' => "127.0.0.1:$closed", 'helo' => 'h', 'from' => 'a@b.example', 'to' => ['c@d.example'],
        'data' => 'x', 'timeout' => 1) ], [-3], 'connection refused');
    is_deeply([ Sales::Smtp('host' => 'no-such-host.invalid', 'helo' => 'h', 'from' => 'a@b.example', 'to' => ['c@d.example'],
        'data' => 'x', 'timeout' => 1) ], [ -1, 'no-such-host.invalid' ], 'unknown host');
};

subtest 'mail program' => sub {
    my $program = "$shop->{'root'}/sendmail";
    is_deeply([ Sales::Sendmail($program, "To: a\@b.example\n\nline\n.\nafter\n") ], [0], 'handed over');
    my $mails = Mails($shop);
    is(scalar @$mails, 1, 'one mail');
    is($mails->[0]{'args'}, '-t -i', 'recipients from the head, a lone dot does not end the mail');
    is($mails->[0]{'text'}, "To: a\@b.example\n\nline\n.\nafter\n", 'text unchanged');
    local $ENV{'FAKE_SENDMAIL_FAIL'} = 1;
    is_deeply([ Sales::Sendmail($program, "x\n") ], [-5], 'a failing mail program is an error');
    delete $ENV{'FAKE_SENDMAIL_FAIL'};
    {
        local $SIG{'__WARN__'} = sub { };
        open(my $saved, '>&', \*STDERR) or die;
        open(STDERR, '>', '/dev/null') or die;
        my @rc = Sales::Sendmail("$shop->{'root'}/no-such-program", "x\n");
        open(STDERR, '>&', $saved) or die;
        is_deeply(\@rc, [-5], 'a missing mail program is an error');
    }
};

done_testing();
