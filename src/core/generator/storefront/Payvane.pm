# Vendora shop module Payvane: client of the Payvane card-payment service
# Version 2.00
#
# One exchange per payment: the service greets with "000", the client sends
# the request encrypted with the merchant's RSA key, the service answers with
# five lines and the client confirms with "000".

package Payvane;

use strict;
use warnings;
use IO::Socket::INET;
use IO::Select;
use Math::BigInt;

our $MaxAnswer = 64;

my %Texts = (
    '409' => {
        '000' => 'Approved or finished successfully.',
        '004' => 'Withdraw card.',
        '005' => 'Approval declined.',
        '006' => 'Sequening error.',
        '012' => 'Invalid transaction.',
        '013' => 'Invalid amount.',
        '014' => 'Invalid credit card.',
        '021' => 'No processing possible.',
        '030' => 'Error in format.',
        '033' => 'Credit card out of date.',
        '034' => 'Possible manipulation.',
        '043' => 'Stolen credit card, please withdraw.',
        '055' => 'Wrong PIN.',
        '056' => 'Credit card not in database of authorizer.',
        '061' => 'Credit card invalidated or blocked.',
        '062' => 'Usage of card limited.',
        '085' => 'Refusal by authorizer.',
        '091' => 'Authorizer temporarily not available.',
        '092' => 'This type of card will not be processed by this authorizer.',
        '097' => 'Security faults - MAC test shows errors.',
        '222' => 'Payment not possible.',
        '223' => 'Card not authorized.',
        '224' => 'Authorizer not responsible.',
        '225' => 'Credit card out of date.',
        '226' => 'Stolen credit card, please withdraw.',
        '228' => 'Invalid credit card.',
        '231' => 'Illegal or unknown currency.',
        '877' => 'Wrong credit card number checksum.',
        '878' => 'Wrong length of credit card number.',
        '911' => 'This trader is not yet authorized.',
        '915' => 'This credit card number has been rejected by the Payvane system due to misuse. It is not possible to verify this credit card.',
        '999' => 'This credit card is not known by the Tolm! Payvane test system.',
        'SysError' => 'System failure. Please contact your trader.',
        'GenError' => 'General failure. Please contact your trader.',
    },
    '407' => {
        '000' => 'Genehmigt bzw. erfolgreich abgeschlossen.',
        '004' => 'Karte einziehen.',
        '005' => 'Genehmigung abgelehnt.',
        '006' => 'Fehler in der Abfolge.',
        '021' => "Keine Verarbeitung m\xF6glich.",
        '030' => 'Fehler im Format.',
        '033' => 'Kreditkarte abgelaufen.',
        '034' => "M\xF6gliche Manipulation.",
        '043' => 'Gestohlene Kreditkarte, bitte einziehen.',
        '055' => 'Falsche PIN.',
        '056' => 'Kreditkarte ist beim Autorisierer nicht bekannt.',
        '061' => "Kreditkarte ung\xFCltig oder gesperrt.",
        '085' => 'Ablehnung durch den Autorisierer.',
        '091' => "Autorisierer vor\xFCbergehend nicht erreichbar.",
        '092' => 'Dieser Kartentyp wird von diesem Autorisierer nicht verarbeitet.',
        '223' => 'Karte nicht autorisiert.',
        '225' => 'Kreditkarte abgelaufen.',
        '226' => 'Gestohlene Kreditkarte, bitte einziehen.',
        '999' => 'Diese Kreditkarte ist dem Tolm! Payvane Testsystem nicht bekannt.',
        'SysError' => "Systemfehler. Bitte wenden Sie sich an Ihren H\xE4ndler.",
        'GenError' => "Allgemeiner Fehler. Bitte wenden Sie sich an Ihren H\xE4ndler.",
    },
);

# The text of a processing code in the shop's language (407 German, else
# English); unknown codes give the general text, or for result codes 2 and 3
# the system failure text.
sub ProcessingText {
    my ($language, $result, $code) = @_;
    my $table = $Texts{ (defined $language && $language eq '407') ? '407' : '409' };
    return $table->{$code} if defined $code && exists $table->{$code};
    return $table->{ (defined $result && ($result eq '2' || $result eq '3')) ? 'SysError' : 'GenError' };
}

sub IsHex {
    my ($text) = @_;
    return defined $text && $text =~ /^[0-9A-Fa-f]+$/;
}

# RSA over base 256: the text as a big number, raised to the exponent modulo
# the modulus, written as hexadecimal. Undef when the key is unusable or the
# text does not fit below the modulus.
sub Encrypt {
    my ($text, $eHex, $nHex) = @_;
    return unless IsHex($eHex) && IsHex($nHex) && length $text;
    my $e = Math::BigInt->new("0x$eHex");
    my $n = Math::BigInt->new("0x$nHex");
    my $m = Math::BigInt->new("0x" . unpack("H*", $text));
    return if $n->is_zero || $e->is_zero || $m->bcmp($n) >= 0;
    my $c = $m->copy->bmodpow($e, $n)->as_hex;
    $c =~ s/^0x//;
    return uc $c;
}

# The request text, or undef when a field would break it.
sub Request {
    my ($s, $c) = @_;
    my $expiry = sprintf('%02d%02d', $c->{'year'} % 100, $c->{'month'});
    my @fields = $s->{'account'} == 0
        ? ('OLP', '1.00', '200', $c->{'number'}, $expiry, $c->{'currency'}, $c->{'amount'})
        : ('OLP', '2.00', $s->{'txtype'}, $c->{'number'}, $c->{'check'}, $expiry, $c->{'currency'}, $c->{'amount'});
    foreach my $field (@fields) {
        return if !defined $field || $field =~ /[|\r\n]/;
    }
    return join('|', @fields);
}

# Reads until $done says the buffer is complete; returns 0, or 20 on time-out,
# 21 when the connection fails, 23 when more than $limit bytes came.
sub ReadUntil {
    my ($sock, $buffer, $timeout, $limit, $done) = @_;
    my $select = IO::Select->new($sock);
    my $until = time + $timeout;
    while (!$done->($$buffer)) {
        return 23 if length($$buffer) > $limit;
        my $left = $until - time;
        return 20 if $left <= 0;
        my @ready = $select->can_read($left);
        return 20 unless @ready;
        my $got = sysread($sock, $$buffer, 512, length $$buffer);
        return 21 unless $got;
    }
    return length($$buffer) > $limit ? 23 : 0;
}

sub SendAll {
    my ($sock, $text) = @_;
    my $n = syswrite($sock, $text);
    return defined $n && $n == length $text;
}

# Runs one payment. $s: server, port, time, user, key_e, key_n, account,
# txtype; $c: number, owner, month, year, currency, amount (cents), check.
# Returns (code, [result, processing, reference, transaction, authorisation]).
sub Pay {
    my ($s, $c) = @_;
    my %card = %$c;
    $card{'number'} = '' unless defined $card{'number'};
    $card{'number'} =~ s/\s+//g;
    $card{'check'} = '---' unless defined $card{'check'} && length $card{'check'};
    return (1, []) if !defined $s->{'server'} || $s->{'server'} !~ /\S/
        || !defined $s->{'port'} || $s->{'port'} !~ /^\d+$/ || $s->{'port'} <= 1000
        || !defined $s->{'time'} || $s->{'time'} !~ /^\d+$/ || $s->{'time'} <= 0;
    return (2, []) if !defined $s->{'user'} || $s->{'user'} !~ /^\d+$/ || $s->{'user'} <= 0
        || !defined $s->{'key_e'} || !length $s->{'key_e'} || !defined $s->{'key_n'} || !length $s->{'key_n'};
    foreach my $key (qw(month year amount)) {
        $card{$key} = 0 unless defined $card{$key} && $card{$key} =~ /^\d+$/;
    }
    return (3, []) if !length $card{'number'} || !defined $card{'owner'} || $card{'owner'} !~ /\S/
        || $card{'month'} < 1 || $card{'month'} > 12 || $card{'year'} <= 0 || $card{'amount'} <= 0;
    my $request = Request($s, \%card);
    my $cipher = defined $request ? Encrypt($request, $s->{'key_e'}, $s->{'key_n'}) : undef;
    return (4, []) unless defined $cipher;

    my $sock = IO::Socket::INET->new('PeerAddr' => $s->{'server'}, 'PeerPort' => $s->{'port'},
        'Proto' => 'tcp', 'Timeout' => $s->{'time'});
    return (21, []) unless $sock;
    local $SIG{'PIPE'} = 'IGNORE';
    my $buffer = '';
    my $rc = ReadUntil($sock, \$buffer, $s->{'time'}, 5, sub { length($_[0]) >= 5 });
    return ($rc == 23 ? 22 : $rc, []) if $rc;
    return (22, []) unless $buffer eq "000\r\n";
    return (25, []) unless SendAll($sock, "$s->{'user'} 1.10 $cipher\r\n");
    $buffer = '';
    $rc = ReadUntil($sock, \$buffer, $s->{'time'}, $MaxAnswer, sub { ($_[0] =~ tr/\n//) >= 5 });
    return ($rc, []) if $rc;
    my @lines = split /\r\n/, $buffer, -1;
    pop @lines if @lines && $lines[-1] eq '';
    return (21, []) unless @lines == 5;
    return (24, \@lines) unless SendAll($sock, "000\r\n");
    close $sock;
    return (0, \@lines);
}

# The check string of a receipt: the payment's fields as hexadecimal text,
# "-", and the sum of that text's character codes modulo 32767.
sub CheckString {
    my ($type, $c, $result, $time) = @_;
    my $number = defined $c->{'number'} ? $c->{'number'} : '';
    $number =~ s/\s+//g;
    my $check = defined $c->{'check'} && length $c->{'check'} ? $c->{'check'} : '---';
    my $text = sprintf('%d|%s|%s|%s|%02d|%02d|%s|%s|%s|%s|%s|%s|%s|%d', $type, $number, $check, $c->{'owner'},
        $c->{'year'}, $c->{'month'}, $c->{'currency'}, $c->{'amount'}, @$result[0 .. 4], $time);
    my $hex = uc unpack('H*', $text);
    my $sum = 0;
    $sum += ord($_) foreach split //, $hex;
    return $hex . '-' . ($sum % 32767);
}

1;
