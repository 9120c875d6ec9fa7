# What a German shop must show and ask: imprint, privacy policy, withdrawal
# notice and terms on every page; the confirmation of terms and withdrawal
# notice before the order button, whose text the law prescribes; the terms
# in the order mail; fields of the order form bound to their labels and
# marked where they failed.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use ShopFixture qw(MakeShop RunCgi OrderWalk CgiPost Mails Submit Form);

my $legal = "\$ShopSet{'Company'} = q{Teehaus M&uuml;ller GmbH};\n"
    . "\$ShopSet{'Privacy'} = q{Wir speichern Ihre Daten nur f&uuml;r die Bestellung.};\n"
    . "\$ShopSet{'Withdrawal'} = q{Sie k&ouml;nnen binnen 14 Tagen widerrufen.<BR>Folgen des Widerrufs: Geld zur&uuml;ck.};\n";
my $shop = MakeShop('config' => "$legal\$StoreLogo = 1;\n");

sub Catalog {
    my ($s, $body) = @_;
    return (RunCgi($s, 'catalog.pl', 'body' => $body))[1];
}

my %customer = ('b_firstname' => 'Erika', 'b_name' => 'Muster', 'b_street' => 'Weg 1', 'b_zip' => '53111',
    'b_city' => 'Bonn', 'b_phone' => '0228 1', 'b_email' => 'erika@example.org');
my %quick = (0 => \%customer, 2 => { 'payment_typ' => 'Vorkasse' }, 3 => { 'agb_accept' => 'yes' });

subtest 'legal pages' => sub {
    my @cases = (
        [ 'imprint from the company data', 'show_imprint=Impressum', 'im',
          [ 'Teehaus M&uuml;ller GmbH<BR>', 'Hafenstra&szlig;e 7<br>Hinterhaus<BR>', '28195&nbsp;Bremen<BR>', 'Deutschland<BR>',
            'Telefon: 0421 123456<BR>', 'Telefax: 0421 123457<BR>', 'E-Mail: <A HREF="mailto:info@teehaus.example">' ] ],
        [ 'privacy policy', 'show_privacy=Datenschutz', 'ds', [ 'Wir speichern Ihre Daten nur f&uuml;r die Bestellung.' ] ],
        [ 'withdrawal notice', 'show_withdrawal=Widerrufsbelehrung', 'wr', [ 'Sie k&ouml;nnen binnen 14 Tagen widerrufen.' ] ],
        [ 'terms', 'show_agb=AGB', 'agb', [ 'Lieferung nur innerhalb der EU.' ] ],
        [ 'shipping costs', 'show_shipping=Versandkosten', 'vk', [ 'DHL Paket' ] ],
    );
    foreach my $case (@cases) {
        my ($name, $button, $code, $texts) = @$case;
        my $page = Catalog($shop, "$button&ActivPage=dp_10&LastPage=cp_1&ov_10|101=2");
        like($page, qr/NAME="ActivPage" VALUE="$code"/, "$name: page code");
        like($page, qr/NAME="LastPage" VALUE="dp_10"/, "$name: the page before");
        like($page, qr/TYPE=HIDDEN NAME="ov_10\|101" VALUE="2"/, "$name: the cart travels on");
        ok(index($page, $_) >= 0, "$name: $_") or diag $page foreach @$texts;
        $page = Catalog($shop, "show_back=x&ActivPage=$code&LastPage=dp_10");
        like($page, qr/Zweite Pfl\xFCckung/, "$name: back to the product");
    }
    my $page = (RunCgi($shop, 'catalog.pl', 'method' => 'GET', 'query' => 'show_withdrawal=1'))[1];
    like($page, qr/binnen 14 Tagen/, 'reached by a link from outside the catalogue form');

    my $older = MakeShop();
    like(Catalog($older, 'show_imprint=x'), qr/Angaben gem&auml;&szlig; &sect;&nbsp;5 DDG<\/B><\/P>\n<P>Teehaus M&uuml;ller &amp; S&ouml;hne<BR>/,
        'a shop without a company name: the store name');
    like(Catalog($older, 'show_privacy=x'), qr/Die Datenschutzerkl&auml;rung dieses Shops fehlt noch\..*mailto:info\@teehaus\.example/s,
        'a missing privacy policy is said');
    like(Catalog($older, 'show_withdrawal=x'), qr/Die Widerrufsbelehrung dieses Shops fehlt noch\./, 'a missing withdrawal notice is said');
};

subtest 'every page carries the legal links' => sub {
    my $footer = join('.*', map { "NAME=\"$_\" VALUE=\"[^\"]+\" CLASS=\"link\"" } qw(show_imprint show_privacy show_agb show_withdrawal));
    foreach my $body ('', 'categorypage_1=x', 'detailpage_10=x', 'show_wk=x&ov_10|101=1', 'show_search=x&search_string=tee',
                      'show_index=x', 'show_home=x', 'show_imprint=x') {
        my $page = Catalog($shop, $body);
        my ($form) = $page =~ /(<FORM\b(?:(?!<FORM\b).)*NAME="show_imprint".*?<\/FORM>)/s;
        ok($form && $form =~ /$footer/s, "catalogue \"$body\": buttons of the catalogue form") or diag $page;
    }
    my $pages = OrderWalk(CgiPost($shop), \%quick, '10|100');
    my $links = join('.*', map { "<A HREF=\"http://127\\.0\\.0\\.1/cgi-bin/catalog\\.pl\\?$_=1\" TARGET=\"_blank\">" }
        qw(show_imprint show_privacy show_agb show_withdrawal));
    foreach my $step (0 .. 3, 'receipt') {
        like($pages->{$step}, qr/$links/s, "order page $step: links beside the order");
        like($pages->{$step}, qr/<IMG SRC="[^"]*logo\.gif"/, "order page $step: the logo");
    }
    like($pages->{0}, qr/<FORM ACTION="[^"]*catalog\.pl" METHOD=POST><CENTER>\n<INPUT TYPE=HIDDEN NAME="LastPage" VALUE="cp_1">\n(?:.*\n)*?.*NAME="show_wk".*NAME="show_search"/,
        'order steps: the shop menu, in a form that returns to the catalogue');
};

subtest 'the order button and the terms before it' => sub {
    my $s = MakeShop('config' => $legal);
    my $pages = OrderWalk(CgiPost($s), { %quick, 3 => {} }, '10|100');
    my $summary = $pages->{3};
    like($summary, qr/NAME="show_next" VALUE="zahlungspflichtig bestellen"/, 'the button that places the order');
    like($summary, qr/<LABEL CLASS="tick"><INPUT TYPE=CHECKBOX NAME="agb_accept" VALUE="yes" ID="agb_accept" ARIA-REQUIRED="true"[^>]*>&nbsp;Ich habe die AGB und die Widerrufsbelehrung gelesen\. Ich stimme zu\.<\/LABEL>/,
        'a box to confirm terms and withdrawal notice');
    unlike($summary, qr/NAME="agb_accept"[^>]*CHECKED/, 'not ticked for the customer');
    ok(index($summary, 'agb_accept') < index($summary, 'NAME="show_next"'), 'before the button');
    like($pages->{'receipt'}, qr/Bitte stimmen Sie unseren Gesch&auml;ftsbedingungen zu\./, 'without the tick: refused by the server');
    like($pages->{'receipt'}, qr/NAME="agb_accept" VALUE="yes" ID="agb_accept" ARIA-REQUIRED="true" ARIA-INVALID="true" ARIA-DESCRIBEDBY="err_agb_accept">.*<SPAN CLASS="err" ID="err_agb_accept">/s,
        'and the box marked');
    is(scalar @{ Mails($s) }, 0, 'no order sent');

    my $withdrawalOnly = MakeShop('config' => "$legal\$ShopSet{'AGB'} = q{};\n");
    $pages = OrderWalk(CgiPost($withdrawalOnly), { %quick, 3 => {} }, '10|100');
    like($pages->{'receipt'}, qr/Bitte stimmen Sie/, 'a shop with only a withdrawal notice asks for it as well');
    like($pages->{3}, qr/Ich habe die Widerrufsbelehrung gelesen\./, 'naming it alone');
    my $neither = MakeShop('config' => "\$ShopSet{'AGB'} = q{};\n");
    $pages = OrderWalk(CgiPost($neither), { %quick, 3 => {} }, '10|100');
    unlike($pages->{3}, qr/agb_accept/, 'nothing to confirm in a shop without terms');
    like($pages->{'receipt'}, qr/Vielen Dank/, 'and the order goes through');

    my $card = MakeShop('config' => "$legal\$OLP = 1;\n\$Payment_OLP = q{Vorkasse};\n", 'olpcnf' => '');
    $pages = OrderWalk(CgiPost($card), \%quick, '10|100');
    like($pages->{3}, qr/NAME="show_next" VALUE="Weiter &gt;"/, 'with a card payment to come the summary goes on');
    like($pages->{4}, qr/NAME="show_next" VALUE="zahlungspflichtig bestellen"/, 'and the card step places the order');
};

subtest 'order mail and receipt carry terms and withdrawal notice' => sub {
    my $s = MakeShop('config' => $legal);
    my $pages = OrderWalk(CgiPost($s), \%quick, '10|100');
    like($pages->{'receipt'}, qr/Ihre Bestellung gilt zu diesen Bedingungen: <A HREF="[^"]*\?show_agb=1" TARGET="_blank">Unsere Gesch\xE4ftsbedingungen<\/A> &middot; <A HREF="[^"]*\?show_withdrawal=1"/,
        'receipt: links to both');
    my $mails = Mails($s);
    is(scalar @$mails, 2, 'order and copy');
    foreach my $mail (@$mails) {
        like($mail->{'text'}, qr/\nAllgemeine Gesch\xE4ftsbedingungen\n={31}\nEs gelten unsere Allgemeinen Gesch\xE4ftsbedingungen\.\nLieferung nur innerhalb der EU\.\n/,
            'the terms as text');
        like($mail->{'text'}, qr/\nWiderrufsbelehrung\n={18}\nSie k\xF6nnen binnen 14 Tagen widerrufen\.\nFolgen des Widerrufs: Geld zur\xFCck\.\n/,
            'the withdrawal notice as text');
    }
};

subtest 'order form fields' => sub {
    my (undef, $page) = RunCgi($shop, 'order.pl', 'body' => Form([ 'ActivPage', 0 ], [ 'show_next', 'x' ], [ 'ov_10|101', 1 ],
        [ 'b_email', 'erika@' ], [ 's_email', 'x@y.example' ], map { [ $_, $customer{$_} ] } grep { !/b_name|b_email/ } sort keys %customer));
    my %inputs;
    while ($page =~ /<(INPUT|SELECT|TEXTAREA)\b([^>]*)>/g) {
        my ($tag, $attr) = ($1, $2);
        next if $attr =~ /TYPE=(?:HIDDEN|SUBMIT|IMAGE)/;
        my ($id) = $attr =~ /ID="([^"]*)"/;
        ok(defined $id && $page =~ /<LABEL FOR="\Q$id\E"/, "a label for " . ($attr =~ /NAME="([^"]*)"/)[0]) or diag $attr;
        $inputs{$id} = $attr if defined $id;
    }
    is(scalar keys %inputs, 23, 'every field of billing and delivery address');
    my @kinds = (
        [ 'b_firstname', 'TEXT', 'billing given-name' ], [ 'b_name', 'TEXT', 'billing family-name' ],
        [ 'b_street', 'TEXT', 'billing street-address' ], [ 'b_zip', 'TEXT', 'billing postal-code' ],
        [ 'b_city', 'TEXT', 'billing address-level2' ], [ 'b_country', 'TEXT', 'billing country-name' ],
        [ 'b_phone', 'TEL', 'billing tel' ], [ 'b_email', 'EMAIL', 'billing email' ], [ 's_firstname', 'TEXT', 'shipping given-name' ],
        [ 's_email', 'EMAIL', 'shipping email' ],
    );
    foreach my $kind (@kinds) {
        my ($id, $type, $token) = @$kind;
        like($inputs{$id}, qr/^ TYPE=$type .* AUTOCOMPLETE="$token"/, "$id: $type, $token");
    }
    like($inputs{'b_name'}, qr/VALUE="" .*ARIA-INVALID="true" ARIA-DESCRIBEDBY="err_b_name"/, 'the missing name marked');
    like($page, qr/ARIA-DESCRIBEDBY="err_b_name"><SPAN CLASS="err" ID="err_b_name">Bitte ausf&uuml;llen\.<\/SPAN>/, 'said beside it');
    like($inputs{'b_email'}, qr/VALUE="erika@" .*ARIA-INVALID="true"/, 'the malformed address kept and marked');
    like($page, qr/ID="err_b_email">Bitte geben Sie eine E-Mail-Adresse/, 'said beside it');
    unlike($inputs{'s_email'} . $inputs{'b_firstname'}, qr/ARIA-INVALID/, 'good fields unmarked');
    like($inputs{'b_firstname'}, qr/VALUE="Erika"/, 'values kept');
    like($page, qr/<FORM ACTION="[^"]*order\.pl" METHOD=POST NOVALIDATE>/, 'the server checks, not the browser');

    my (undef, $pay) = RunCgi($shop, 'order.pl', 'body' => Form([ 'ActivPage', 2 ], [ 'show_next', 'x' ], [ 'ov_10|101', 1 ],
        [ 'send_via', 'AO1' ], [ 'versand', '00_DHL Paket' ], [ 'payment_typ', 'Kreditkarte' ], [ 'payment_cardnumber', '4111 1111 1111 1112' ],
        [ 'payment_cardexpire1', '12' ], [ 'payment_cardexpire2', '99' ], [ 'payment_cardorganisation', 'CC1' ],
        map { [ $_, $customer{$_} ] } sort keys %customer));
    like($pay, qr/NAME="payment_cardnumber" SIZE=30 VALUE="4111 1111 1111 1112" ID="payment_cardnumber" AUTOCOMPLETE="cc-number" INPUTMODE="numeric" ARIA-INVALID="true"/,
        'a card number that fails its check digit');
    like($pay, qr/NAME="payment_cardname" [^>]*ARIA-INVALID="true"[^>]*><SPAN CLASS="err" ID="err_payment_cardname">Bitte ausf&uuml;llen/,
        'a missing card owner');
    unlike($pay, qr/NAME="payment_cardexpire[12]"[^>]*ARIA-INVALID/, 'a good expiry unmarked');
};

done_testing();
