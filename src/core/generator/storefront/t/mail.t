# The order mail: head, error texts and the SMTP dialogue against a loopback
# server.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use File::Temp qw(tempfile);
use ShopFixture qw(MakeShop LoadShop Serve FreePort);

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
    is(Sales::MailErrorText(-6, 'x@y.example', 'mail.example'),
        "Der Benutzer x\@y.example ist dem Rechner mail.example nicht bekannt. Die \xDCbertragung der Nachricht schlug fehl.",
        'recipient refused');
    is(Sales::MailErrorText(-1, 'nowhere.invalid'), 'nowhere.invalid unbekannt.', 'host unknown');
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
    my @cases = (
        [ 'accepted', {}, [0] ],
        [ 'service refuses at the greeting', { 'greeting' => '554 no service' }, [-4] ],
        [ 'sender refused', { 'mail' => '550 sender refused' }, [-5] ],
        [ 'second recipient refused', { 'rcpt2' => '550 no such user' }, [ -6, 'c@d.example' ] ],
        [ 'data refused', { 'data' => '451 try later' }, [-5] ],
        [ 'message refused at the end', { 'end' => '554 rejected' }, [-7] ],
        [ 'host that does not answer', { 'silent' => 1 }, [-4] ],
        [ 'connection refused', { 'host' => '127.0.0.1:' . FreePort() }, [-3] ],
        [ 'unknown host', { 'host' => 'no-such-host.invalid' }, [ -1, 'no-such-host.invalid' ] ],
    );
    foreach my $case (@cases) {
        my ($name, $reply, $expected) = @$case;
        my ($port, $pid, $log) = $reply->{'host'} ? () : SmtpServer(%$reply);
        my @rc = Sales::Smtp('host' => $reply->{'host'} || "127.0.0.1:$port", 'helo' => 'shop.example', 'from' => 'shop@a.example',
            'to' => [ 'a@b.example', 'c@d.example' ], 'data' => "Subject: x\n\nline\n.dot\n", 'timeout' => 1);
        is_deeply(\@rc, $expected, $name);
        next unless $pid;
        kill 'TERM', $pid;
        waitpid($pid, 0);
        next unless $name eq 'accepted';
        my $dialogue = do { open(my $in, '<', $log) or die; local $/; <$in> };
        is($dialogue, "helo shop.example\r\nmail from:<shop\@a.example>\r\nrcpt to:<a\@b.example>\r\n"
            . "rcpt to:<c\@d.example>\r\ndata\r\nSubject: x\r\n\r\nline\r\n..dot\r\n.\r\nquit\r\n", 'what the server got');
    }
};

done_testing();
