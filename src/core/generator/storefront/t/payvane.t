# The Payvane exchange: RSA against openssl, the checks before connecting,
# the dialogue with a loopback service that decrypts with the private key,
# the processing-code texts, the receipt check string, and a card payment
# through the order steps.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use File::Temp qw(tempdir);
use Digest::MD5 qw(md5_hex);
use ShopFixture qw(MakeShop LoadShop Serve FreePort OrderWalk CgiPost Mails Submit $SealKey);

my $dir = tempdir(CLEANUP => 1);
system("openssl genrsa -out $dir/key.pem 1024 2>/dev/null") == 0 or BAIL_OUT('openssl is needed');
my ($n) = `openssl rsa -in $dir/key.pem -noout -modulus` =~ /Modulus=([0-9A-F]+)/;
my ($e) = `openssl rsa -in $dir/key.pem -noout -text` =~ /publicExponent: \d+ \(0x([0-9a-f]+)\)/;

# Raw RSA by openssl on a block of the modulus' size.
sub OpenSsl {
    my ($mode, $bytes) = @_;
    open(my $fh, '>', "$dir/in.$$") or die;
    print {$fh} ("\0" x (128 - length $bytes)) . $bytes;
    close $fh;
    return scalar `openssl pkeyutl -$mode -inkey $dir/key.pem -pkeyopt rsa_padding_mode:none -in $dir/in.$$`;
}

LoadShop(MakeShop());

subtest 'RSA over base 256 matches openssl raw RSA' => sub {
    foreach my $text ('OLP|1.00|200|4111111111111111|3012|EUR|5970', "\x01", 'OLP|2.00|210|5500000000000004|---|2901|CHF|1') {
        (my $theirs = uc unpack('H*', OpenSsl('encrypt', $text))) =~ s/^0+//;
        is(Payvane::Encrypt($text, $e, $n), $theirs, "\"$text\"");
    }
    is(Payvane::Encrypt('x', 'XYZ', $n), undef, 'exponent not hexadecimal');
    is(Payvane::Encrypt('longer than the modulus', '3', 'FFFF'), undef, 'text does not fit below the modulus');
};

my %settings = ('server' => '127.0.0.1', 'time' => 2, 'user' => 4711, 'key_e' => $e, 'key_n' => $n, 'account' => 1, 'txtype' => 210);
my %card = ('number' => '4111 1111 1111 1111', 'owner' => 'Erika Muster', 'month' => 3, 'year' => 30,
    'currency' => 'EUR', 'amount' => 5970, 'check' => '');

# The service greets, decrypts the request, answers and reads the
# confirmation; what it received goes to a file.
sub Service {
    my (%s) = @_;
    my $log = "$dir/service.$$." . int(rand(1e9));
    my ($port, $pid) = Serve(sub {
        my ($c) = @_;
        sleep($s{'sleep'}) if $s{'sleep'};
        print {$c} (defined $s{'greeting'} ? $s{'greeting'} : "000\r\n");
        my ($user, $version, $cipher) = (<$c> || '') =~ /^(\S+) (\S+) ([0-9A-F]+)\r\n\z/ or return;
        (my $plain = OpenSsl('decrypt', pack('H*', ('0' x (256 - length $cipher)) . $cipher))) =~ s/^\0+//;
        print {$c} defined $s{'answer'} ? $s{'answer'} : "0\r\n000\r\nR-17\r\nT-42\r\nA-99\r\n";
        return if $s{'close'};
        read($c, my $confirm, 5);
        open(my $out, '>', $log) or die;
        print {$out} "$user\n$version\n$plain\n$confirm";
    });
    return ($port, $pid, $log);
}

sub Slurp { open(my $fh, '<', $_[0]) or return ''; local $/; return scalar <$fh> }

subtest 'exchange with the service' => sub {
    my @cases = (
        [ 'accepted', {}, 0, [ '0', '000', 'R-17', 'T-42', 'A-99' ] ],
        [ 'refused', { 'answer' => "1\r\n005\r\nR-18\r\n\r\n\r\n" }, 0, [ '1', '005', 'R-18', '', '' ] ],
        [ 'wrong greeting', { 'greeting' => "999\r\n" }, 22 ],
        [ 'no greeting in time', { 'sleep' => 3 }, 20 ],
        [ 'answer of more than 64 bytes', { 'answer' => ('x' x 70) . "\r\n1\r\n2\r\n3\r\n4\r\n" }, 23 ],
        [ 'connection closed after two lines', { 'answer' => "0\r\n000\r\n", 'close' => 1 }, 21 ],
        [ 'answer incomplete in time', { 'answer' => "0\r\n000\r\n" }, 20 ],
    );
    foreach my $case (@cases) {
        my ($name, $service, $code, $result) = @$case;
        my ($port, $pid, $log) = Service(%$service);
        my ($rc, $got) = Payvane::Pay({ %settings, 'port' => $port }, \%card);
        is_deeply([ $rc, $result ? $got : () ], [ $code, $result ? $result : () ], $name);
        # An accepted exchange ends by itself once the service has logged it;
        # the others may leave the service waiting.
        kill 'TERM', $pid unless $name eq 'accepted';
        waitpid($pid, 0);
        is(Slurp($log), "4711\n1.10\nOLP|2.00|210|4111111111111111|---|3003|EUR|5970\n000\r\n",
            'user, protocol, the decrypted request with "---" for no check number, the confirmation') if $name eq 'accepted';
    }
    my ($port, $pid, $log) = Service();
    Payvane::Pay({ %settings, 'port' => $port, 'account' => 0 }, { %card, 'check' => '123' });
    waitpid($pid, 0);
    like(Slurp($log), qr/^OLP\|1\.00\|200\|4111111111111111\|3003\|EUR\|5970$/m, 'the short request of account type 0');
    is((Payvane::Pay({ %settings, 'port' => FreePort() }, \%card))[0], 21, 'service not reachable');
};

subtest 'checks before any connection' => sub {
    my @cases = (
        [ 1, { 'server' => ' ' }, {} ], [ 1, { 'port' => 1000 }, {} ], [ 1, { 'time' => 0 }, {} ],
        [ 2, { 'user' => 0 }, {} ], [ 2, { 'key_e' => '' }, {} ], [ 2, { 'key_n' => '' }, {} ],
        [ 3, {}, { 'number' => ' ' } ], [ 3, {}, { 'owner' => '' } ], [ 3, {}, { 'month' => 13 } ],
        [ 3, {}, { 'month' => 0 } ], [ 3, {}, { 'year' => 0 } ], [ 3, {}, { 'amount' => 0 } ],
        [ 4, { 'key_n' => 'F1' }, {} ], [ 4, { 'key_e' => 'G' }, {} ], [ 4, {}, { 'currency' => 'EU|R' } ],
    );
    foreach my $case (@cases) {
        my ($code, $s, $c) = @$case;
        is((Payvane::Pay({ %settings, 'port' => 1713, %$s }, { %card, %$c }))[0], $code, join(',', %$s, %$c));
    }
};

subtest 'processing-code texts' => sub {
    my @cases = (
        [ 407, '1', '005', 'Genehmigung abgelehnt.' ],
        [ 409, '1', '006', 'Sequening error.' ],
        [ 407, '1', '012', "Allgemeiner Fehler. Bitte wenden Sie sich an Ihren H\xE4ndler." ],
        [ 407, '2', '777', "Systemfehler. Bitte wenden Sie sich an Ihren H\xE4ndler." ],
        [ 409, '3', 'abc', 'System failure. Please contact your trader.' ],
        [ 1031, '1', '999', 'This credit card is not known by the Tolm! Payvane test system.' ],
    );
    is(Payvane::ProcessingText(@$_[0 .. 2]), $_->[3], "language $_->[0], code $_->[2]") foreach @cases;
};

is(Payvane::CheckString(200, { %card, 'check' => '123' }, [ '0', '000', 'R-17', 'T-42', 'A-99' ], 1700000000),
    '3230307C343131313131313131313131313131317C3132337C4572696B61204D75737465727C33307C30337C4555527C353937307C307C'
    . '3030307C522D31377C542D34327C412D39397C31373030303030303030-8902', 'receipt check string');

subtest 'card payment through the order steps' => sub {
    foreach my $case ([ 'accepted', {}, qr/Ihre Kreditkartenzahlung wurde akzeptiert.*\*{12}1111.*Transaktions-Nr\.:.*T-42/s ],
                      [ 'refused', { 'answer' => "1\r\n005\r\n\r\n\r\n\r\n" }, qr/Genehmigung abgelehnt\..*NAME="show_back"/s ]) {
        my ($name, $service, $expect) = @$case;
        my ($port, $pid) = Service(%$service);
        my $shop = MakeShop('config' => "\$OLP = 1;\n\$OLP_Language = 407;\n\$Payment_OLP = q{Online Kreditkartenabrechnung};\n"
                . "\$Payment{'Online Kreditkartenabrechnung'} = \"0.50\";\n\$OLP_Type = 2;\n\$OLP_Msg = 210;\n",
            'olpcnf' => "\$OLP_Data{'key_e'} = q{$e};\n\$OLP_Data{'key_n'} = q{$n};\n\$OLP_Data{'user'} = 4711;\n"
                . "\$OLP_Data{'server'} = q{127.0.0.1};\n\$OLP_Data{'port'} = $port;\n\$OLP_Data{'time'} = 5;\n");
        my $pages = OrderWalk(CgiPost($shop), {
            0 => { 'b_firstname' => 'Erika', 'b_name' => 'Muster', 'b_street' => 'Weg 1', 'b_zip' => '53111',
                   'b_city' => 'Bonn', 'b_phone' => '0228 1', 'b_email' => 'erika@example.org' },
            2 => { 'payment_typ' => 'Online Kreditkartenabrechnung' }, 3 => { 'agb_accept' => 'yes' },
            4 => { 'olp_cardorganisation' => 'visa', 'olp_cardname' => 'Erika Muster', 'olp_cardnumber' => '4111111111111111',
                   'olp_cardexpire1' => '03', 'olp_cardexpire2' => '30' },
        }, '10|101');
        waitpid($pid, 0);
        ok($pages->{4}, "$name: the card step is shown");
        like($pages->{'receipt'}, $expect, "$name: result page");
        unlike($pages->{'receipt'}, qr/4111111111111111/, 'no full card number on the receipt') if $name eq 'accepted';
        my @mails = map { $_->{'text'} } @{ Mails($shop) };
        is(scalar @mails, $name eq 'accepted' ? 2 : 0, "$name: order mails");
        like($mails[0], qr/T-42/, 'the merchant mail names the transaction') if @mails;
        unlike(join('', @mails), qr/4111111111111111/, 'and no mail the card number');
    }
};

# A payment sealed by one request and brought back by the next, as the
# retry of a failed order mail does.
subtest 'sealed payment between requests' => sub {
    local $olpcnf::SealKey = $SealKey;
    my %v = ('b_firstname' => 'Erika', 'b_name' => 'Muster', 'b_street' => 'Weg 1', 'b_zip' => '53111', 'b_city' => 'Bonn',
        'payment_typ' => 'Online Kreditkartenabrechnung', 'versand' => '00_DHL Paket', 'olp_cardname' => 'Erika Muster');
    my @lines = ({ 'pid' => 10, 'iid' => 101, 'qty' => 2 });
    my %r = ('result' => '0', 'code' => '000', 'tref' => 'R-17', 'tnum' => 'T-42', 'anum' => 'A-99', 'card' => '************1111',
        'time' => time - 60, 'check' => '3230307C-8902');
    my $seal = sub {
        my $hidden = Sales::TransferOut({ 'v' => \%v, 'lines' => \@lines, 'olp' => $_[0] }, { 'total' => 32.70 });
        return { $hidden =~ /NAME="([^"]+)" VALUE="([^"]*)"/g };
    };
    # The order as the next request brings it: the sealed fields, changed.
    my $back = sub {
        my ($fields, %change) = @_;
        my $lines = delete $change{'lines'} || \@lines;
        my $total = delete $change{'total'} || 32.70;
        return Sales::TransferIn({ 'v' => { %v, %$fields, %change }, 'lines' => $lines }, { 'total' => $total });
    };
    my $fields = $seal->(\%r);
    is_deeply($back->($fields), \%r, 'a genuine seal is taken');
    my @refused = (
        [ 'another billing street', 'b_street' => 'Weg 2' ],
        [ 'a delivery address added', 's_name' => 'Muster', 's_street' => 'Hafen 1' ],
        [ 'another quantity', 'lines' => [ { %{ $lines[0] }, 'qty' => 3 } ] ],
        [ 'another item', 'lines' => [ { %{ $lines[0] }, 'iid' => 100 } ] ],
        [ 'another amount', 'total' => 32.71 ],
        [ 'another transaction number', 'transfer_tnum' => 'T-43' ],
        [ 'another time', 'transfer_time' => $r{'time'} + 1 ],
        [ 'no signature', 'transfer_sig' => '' ],
    );
    foreach my $case (@refused) {
        my ($name, %change) = @$case;
        is($back->($fields, %change), undef, "refused: $name");
    }
    # The old seal: MD5 over the public key and merchant number ("key_n|key_e|user",
    # all empty in this shop), the payment and the cart.
    my $old = md5_hex(join("\n", '||', @r{qw(result code tref tnum anum time check)}, '10|101|2', ''));
    is($back->($fields, 'transfer_sig' => $old), undef, 'refused: a seal made the old way from public values');
    is($back->($seal->({ %r, 'time' => time - 3601 })), undef, 'refused: a seal older than an hour');
    is($back->($seal->({ %r, 'time' => time + 3600 })), undef, 'refused: a time ahead of the clock');
    ok($back->($seal->({ %r, 'time' => time - 3500 })), 'a seal within the hour is taken');
    foreach my $case ([ 'no key', undef, 0 ], [ 'an empty key', '', 0 ], [ 'a short key', substr($SealKey, 1), 0 ],
                      [ 'another shop\'s key', scalar reverse($SealKey), 1 ]) {
        my ($name, $key, $seals) = @$case;
        local $olpcnf::SealKey = $key;
        is($back->($fields), undef, "$name: the seal is refused");
        my $out = Sales::TransferOut({ 'v' => \%v, 'lines' => \@lines, 'olp' => \%r }, { 'total' => 32.70 });
        is($out =~ /NAME="transfer_sig"/ ? 1 : 0, $seals, "$name: " . ($seals ? 'seals with its own key' : 'seals nothing'));
    }
};

subtest 'a paid order whose mail failed is sent again without paying again' => sub {
    my %customer = ('b_firstname' => 'Erika', 'b_name' => 'Muster', 'b_street' => 'Weg 1', 'b_zip' => '53111',
        'b_city' => 'Bonn', 'b_phone' => '0228 1', 'b_email' => 'erika@example.org');
    my %card = ('olp_cardorganisation' => 'visa', 'olp_cardname' => 'Erika Muster', 'olp_cardnumber' => '4111111111111111',
        'olp_cardexpire1' => '03', 'olp_cardexpire2' => '30', 'olp_cardpin' => '739');
    foreach my $keyed (1, 0) {
        my $name = $keyed ? 'sealed' : 'without a seal key';
        my ($port, $pid) = Service();
        my $shop = MakeShop('config' => "\$OLP = 1;\n\$OLP_Language = 407;\n\$Payment_OLP = q{Online Kreditkartenabrechnung};\n"
                . "\$Payment{'Online Kreditkartenabrechnung'} = \"0.50\";\n\$OLP_Type = 2;\n\$OLP_Msg = 210;\n"
                . "\$ENV{'FAKE_SENDMAIL_FAIL'} = 1;\n",
            'olpcnf' => "\$OLP_Data{'key_e'} = q{$e};\n\$OLP_Data{'key_n'} = q{$n};\n\$OLP_Data{'user'} = 4711;\n"
                . "\$OLP_Data{'server'} = q{127.0.0.1};\n\$OLP_Data{'port'} = $port;\n\$OLP_Data{'time'} = 5;\n",
            $keyed ? () : ('seal_key' => undef));
        my $post = CgiPost($shop);
        my $page = $post->('catalog.pl', 'categorypage_1.x=3&categorypage_1.y=3');
        $page = Submit($post, Submit($post, $page, 'buy_10', 'add_10|101' => 1), 'show_order');
        foreach my $entries (\%customer, {}, { 'payment_typ' => 'Online Kreditkartenabrechnung' }, { 'agb_accept' => 'yes' }) {
            $page = Submit($post, $page, 'show_next', %$entries);
        }
        my $retry = Submit($post, $page, 'show_next', %card);
        waitpid($pid, 0);
        like($retry, qr/folgender Fehler aufgetreten:.*NAME="show_next"/s, "$name: paid, the mail failed, a retry offered");
        unlike($retry, qr/olp_cardpin|NAME="olp_cardnumber"|4111111111111111|\b739\b/, "$name: no check digits, no card number carried");
        # The mail program keeps the mail that it failed to send.
        my $failed = scalar @{ Mails($shop) };

        # The mail works again; the service is gone, so a second payment
        # could not take place.
        my $config = "$shop->{'store'}data/config.cnf";
        my $text = do { open(my $in, '<', $config) or die; local $/; <$in> };
        $text =~ s/^\$ENV\{'FAKE_SENDMAIL_FAIL'\} = 1;\n//m or die;
        open(my $out, '>', $config) or die;
        print {$out} $text;
        close $out;
        if (!$keyed) {
            unlike($retry, qr/transfer_/, "$name: no payment carried");
            like(Submit($post, $retry, 'show_next'), qr/NAME="olp_cardnumber"/, "$name: the retry asks for the card again");
            is(scalar @{ Mails($shop) }, $failed, "$name: no order without a payment");
            next;
        }
        my ($check) = $retry =~ /NAME="transfer_check" VALUE="([0-9A-F]+)-\d+"/;
        like(pack('H*', $check), qr/^210\|\d+\|---\|Erika Muster\|/, 'the receipt check string holds no check digits');
        my @values = map { my $f = $_; $retry =~ /NAME="transfer_$f" VALUE="([^"]*)"/ ? $1 : '' } qw(result code tref tnum anum time check);
        my $old = md5_hex(join("\n", "$n|$e|4711", @values, '10|101|1', ''));
        foreach my $case ([ 'another address', 'b_street' => 'Anderer Weg 9' ], [ 'another cart', 'ov_10|101' => 2 ],
                          [ 'a seal made the old way', 'transfer_sig' => $old ]) {
            my ($replay, %change) = @$case;
            $page = Submit($post, $retry, 'show_next', %change);
            unlike($page, qr/Vielen Dank/, "$replay: no order");
            like($page, qr/NAME="olp_cardnumber"/, "$replay: the card is asked for again");
        }
        is(scalar @{ Mails($shop) }, $failed, 'no mail for a refused seal');
        like(Submit($post, $retry, 'show_next'), qr/Vielen Dank.*T-42/s, 'the genuine seal: the order goes out with its payment');
        my $mails = join('', map { $_->{'text'} } @{ Mails($shop) });
        is(scalar @{ Mails($shop) }, $failed + 2, 'order mail and copy sent');
        like($mails, qr/^To: bestellung\@teehaus\.example\n.*Kartennummer: \*{12}1111\n.*T-42/ms,
            'the merchant mail names the masked card and the transaction');
        unlike($mails, qr/\b739\b|4111111111111111/, 'no mail holds check digits or the card number');
    }
};

done_testing();
