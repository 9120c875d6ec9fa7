# Vendora shop module Sales: order steps, totals, order mail and card payment
# Version 1.30
#
# Every request of the order script carries all data entered so far in
# hidden fields; each step is checked again before a later one is shown, so
# a tampered field is caught at the latest on the last step. Prices, weights,
# shipping charges and taxes come from the data and configuration files only.

package Sales;      ## no critic (RequireFilenameMatchesPackage)

use strict;
use warnings;
no warnings 'once';
use Socket qw(PF_INET SOCK_STREAM inet_aton sockaddr_in);
use IO::Select;
use POSIX ();

our $SmtpTimeout = 60;
our $MaxFieldLength = 80;
our $MaxMessageLength = 1000;

my @Billing = qw(b_nr b_company b_firstname b_name b_street b_zip b_city b_state b_country b_phone b_fax b_email);
my @Delivery = qw(s_company s_firstname s_name s_street s_zip s_city s_state s_country s_phone s_fax s_email);
my @GiftFields = qw(gift_wrap gift_txt);
my @PayFields = qw(send_via versand payment_typ payment_bankname payment_banknumber payment_accountnumber
    payment_accountuser payment_cardorganisation payment_cardname payment_cardnumber payment_cardexpire1
    payment_cardexpire2 payment_cardpin);
my @OlpFields = qw(olp_cardorganisation olp_cardname olp_cardnumber olp_cardexpire1 olp_cardexpire2 olp_cardpin);
# What a card payment leaves for a later request, sealed: the service's
# answer, the masked card number, the time of payment and the receipt check.
my @SealFields = qw(result code tref tnum anum card time check);
my @TransferFields = map { "transfer_$_" } @SealFields, 'sig';
# The card's check digits serve the check of their step and the payment
# itself; they are never carried, shown again, mailed or kept.
my %Secret = map { $_ => 1 } qw(payment_cardpin olp_cardpin);
our $SealLife = 3600;
our $SealAhead = 300;

my %StepFields = (
    0 => [ @Billing, @Delivery ],
    1 => \@GiftFields,
    2 => \@PayFields,
    3 => ['agb_accept'],
    4 => \@OlpFields,
);

sub Round2 { return WebCode::Round2(@_) }
sub Face { return WebCode::Face() }
sub Esc { return WebCode::Esc(@_) }
sub HeadColour { return WebCode::HeadColour() }

# The customer's entries as every step uses them, made once where the
# request is read: each field of the order steps with its blanks trimmed,
# so that the value checked is the value priced, carried and mailed.
sub Normalise {
    my ($params) = @_;
    my %v;
    foreach my $name ((map { @$_ } values %StepFields), @TransferFields) {
        $v{$name} = WebCode::Trim($params->{$name}) if defined $params->{$name};
    }
    return \%v;
}

sub Value {
    my ($v, $name) = @_;
    my $value = $v->{$name};
    return defined $value ? $value : '';
}

# ---------------------------------------------------------------- totals

# "break/charge" pairs of a shipping method.
sub ShippingPairs { return WebCode::ShippingPairs(@_) }

# The entry of a break table with the largest break not above $value.
sub BreakEntry {
    my ($value, @pairs) = @_;
    my ($best, $result);
    foreach my $pair (@pairs) {
        my ($break, $entry) = @$pair;
        next if $break > $value + 1e-9;
        ($best, $result) = ($break, $entry) if !defined $best || $break > $best;
    }
    return $result;
}

sub ShippingCost {
    my ($method, $t) = @_;
    my $type = $::Shipping_Typ || 0;
    return 0 if $type == 5;
    return Round2($t->{'shipsum'}) if $type == 4;
    return 0 unless defined $method && exists $::aShipping{$method};
    my @pairs = ShippingPairs($::aShipping{$method});
    return 0 unless @pairs;
    return $pairs[0][1] if $type == 3;
    my $value = $type == 1 ? $t->{'quantity'} : $type == 2 ? $t->{'weight'} : $t->{'goods'};
    # A break of 0 stands for "anything at all": an order without weight
    # (or without goods) is not charged.
    my $charge = BreakEntry($value, map { [ $_->[0] == 0 ? 0.01 : $_->[0], $_->[1] ] } @pairs);
    return defined $charge ? $charge : 0;
}

sub DiscountAmount {
    my ($goods, $quantity) = @_;
    my $type = $::Discount_Typ || 0;
    return 0 unless $type >= 1 && $type <= 3;
    my $rate = BreakEntry($type == 3 ? $quantity : $goods, map { [ $_ + 0, $::Discount{$_} ] } keys %::Discount);
    return 0 unless defined $rate && $rate > 0;
    my $discount = Round2($type == 1 ? $rate : $goods * $rate / 100);
    # An amount discount larger than the goods would make the order negative.
    return $discount > $goods ? $goods : $discount;
}

# The configured row that a choice names. The steps refuse every other
# choice; one that reaches the totals all the same is never priced as
# nothing but stops the request.
sub Chosen {
    my ($o, $name, $table) = @_;
    my $value = $o->{$name};
    die "order totals: $name names no configured row\n" unless defined $value && exists $table->{$value};
    return $value;
}

# All totals of an order. $lines are resolved cart lines; $o holds the
# customer's normalised choices (versand, payment_typ, gift_wrap, gift_txt,
# b_state), checked by the steps before.
sub Totals {
    my ($lines, $o) = @_;
    my %t = ('goods' => 0, 'quantity' => 0, 'weight' => 0, 'shipsum' => 0);
    my %byRate;
    foreach my $line (@$lines) {
        my ($qty, $item) = ($line->{'qty'}, $line->{'item'});
        my $sum = Round2($qty * $item->{'mprice'});
        $t{'goods'} += $sum;
        $t{'quantity'} += $qty;
        $t{'weight'} += $qty * $item->{'weight'};
        $t{'shipsum'} += $qty * $item->{'ship'};
        my $rate = $line->{'product'}{'tax'};
        $byRate{ sprintf('%.2f', $rate) } += $sum if ($::Taxes || 0) == 2 && defined $rate && length $rate;
    }
    $t{'goods'} = Round2($t{'goods'});
    $t{'discount'} = DiscountAmount($t{'goods'}, $t{'quantity'});
    $t{'shipping'} = Round2(ShippingCost(Chosen($o, 'versand', \%::aShipping), \%t));
    $t{'insurance'} = 0;
    if ($::Shipping_Ensurance && $t{'goods'} >= ($::Shipping_Ensurance_Limit || 0)) {
        $t{'insurance'} = Round2($t{'goods'} * ($::Shipping_Ensurance_Value || 0) / 100);
        # From the merchant's threshold on, the insurance takes the place of
        # the shipping charge.
        $t{'shipping'} = 0 if $::Shipping_Ensurance_Replace && $t{'goods'} >= ($::Shipping_Ensurance_Replace_Value || 0);
    }
    $t{'gift'} = 0;
    if (defined $o->{'gift_wrap'} && length $o->{'gift_wrap'}) {
        Chosen($o, 'gift_wrap', $::Gifts ? \%::Gift : {});
        # $Gift_Type carries the merchant's "charge per item" switch.
        $t{'gift'} = Round2(($::Gift_Cost || 0) * ($::Gift_Type ? $t{'quantity'} : 1));
    }
    if (defined $o->{'gift_txt'} && $o->{'gift_txt'} =~ /\S/) {
        die "order totals: the shop offers no gift message\n" unless $::Gift_Message;
        $t{'gift'} += Round2($::Gift_TextCost || 0);
    }
    $t{'payment'} = Round2($::Payment{ Chosen($o, 'payment_typ', \%::Payment) });
    my $net = $t{'goods'} - $t{'discount'} + $t{'shipping'} + $t{'insurance'} + $t{'gift'} + $t{'payment'};
    $t{'tax'} = 0;
    $t{'taxrate'} = undef;
    if (($::Taxes || 0) == 1) {
        $t{'taxrate'} = $::RegioTax{ Chosen($o, 'b_state', \%::RegioTax) };
        $t{'tax'} = Round2($net * $t{'taxrate'} / 100);
    }
    # Contained tax per rate, on the goods after the discount.
    my $factor = $t{'goods'} > 0 ? ($t{'goods'} - $t{'discount'}) / $t{'goods'} : 0;
    $t{'contained'} = { map { $_ => Round2($byRate{$_} * $factor * $_ / (100 + $_)) } keys %byRate };
    $t{'total'} = Round2($net + $t{'tax'});
    return \%t;
}

# ---------------------------------------------------------------- checks

sub GiftStep { return $::Gifts || $::Gift_Message }

sub OlpChosen {
    my ($v) = @_;
    return $::OLP && defined $::Payment_OLP && Value($v, 'payment_typ') eq $::Payment_OLP;
}

sub NextStep {
    my ($step, $v) = @_;
    return GiftStep() ? 1 : 2 if $step == 0;
    return 2 if $step == 1;
    return 3 if $step == 2;
    return OlpChosen($v) ? 4 : 5 if $step == 3;
    return 5;
}

sub PrevStep {
    my ($step, $v) = @_;
    return 0 if $step <= 1;
    return GiftStep() ? 1 : 0 if $step == 2;
    return 2 if $step == 3;
    return 3 if $step == 4;
    return OlpChosen($v) ? 4 : 3;
}

sub ValidEmail {
    my ($address) = @_;
    return length($address) <= 254
        && $address =~ /^[A-Za-z0-9!#\$%&'*+\/=?^_`{|}~.-]+\@[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?(?:\.[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?)+$/;
}

sub Luhn {
    my ($digits) = @_;
    my ($sum, $double) = (0, 0);
    foreach my $d (reverse split //, $digits) {
        $d *= 2 if $double;
        $d -= 9 if $d > 9;
        $sum += $d;
        $double = !$double;
    }
    return $sum % 10 == 0;
}

sub CardDigits {
    my ($number) = @_;
    (my $digits = $number) =~ s/[ -]//g;
    return $digits =~ /^\d{12,19}$/ ? $digits : undef;
}

sub ExpiryOk {
    my ($month, $year) = @_;
    return 0 unless $month =~ /^\d{1,2}$/ && $year =~ /^\d{2}$/ && $month >= 1 && $month <= 12;
    my @now = localtime();
    my ($nowYear, $nowMonth) = ($now[5] % 100, $now[4] + 1);
    return $year > $nowYear || ($year == $nowYear && $month >= $nowMonth);
}

# The texts beside a field that failed its check.
my %Why = (
    'missing' => 'Bitte ausf&uuml;llen.',
    'choose'  => 'Bitte w&auml;hlen Sie aus.',
    'email'   => 'Bitte geben Sie eine E-Mail-Adresse wie name@beispiel.de ein.',
    'chars'   => 'Zu lang oder mit unzul&auml;ssigen Zeichen.',
    'digits'  => 'Nur Ziffern und Buchstaben.',
    'card'    => 'Die Kartennummer ist ung&uuml;ltig.',
    'expiry'  => 'Ung&uuml;ltig oder abgelaufen.',
    'pin'     => 'Drei oder vier Ziffern.',
    'accept'  => 'Bitte best&auml;tigen Sie dies.',
);

# Checks the fields of one step. Returns the messages for the top of the
# page (none when the step is complete) and the fields that failed, each
# with the text to show beside it.
sub CheckFields {
    my ($step, $v) = @_;
    my (@errors, %bad, $missing);
    foreach my $name (@{ $StepFields{$step} || [] }) {
        my $value = $v->{$name};
        next unless defined $value;
        my $multiLine = $name eq 'gift_txt';
        if (($multiLine ? $value =~ /[\x00-\x08\x0B\x0C\x0E-\x1F]/ : $value =~ /[\x00-\x1F]/)
            || length($value) > ($multiLine ? $MaxMessageLength : $MaxFieldLength)) {
            push @errors, 'Eine Eingabe ist zu lang oder enth&auml;lt unzul&auml;ssige Zeichen.';
            return (\@errors, { $name => $Why{'chars'} });
        }
    }
    my $mark = sub { $bad{ $_[0] } = $Why{ $_[1] } unless exists $bad{ $_[0] } };
    my $need = sub {
        return if length Value($v, $_[0]);
        $missing = 1;
        $mark->($_[0], 'missing');
    };
    if ($step == 0) {
        $need->($_) foreach qw(b_firstname b_name b_street b_zip b_city);
        $need->('b_phone') if $::ReqFieldPhone;
        $need->('b_fax') if $::ReqFieldFax;
        $need->('b_email') if $::ReqFieldEMail;
        $need->('b_nr') if $::ReqFieldNr;
        $need->('b_country') if $::ReqFieldCountry;
        if (($::Taxes || 0) == 1) {
            my $state = Value($v, 'b_state');
            if (!length $state) { $need->('b_state') }
            elsif (!exists $::RegioTax{$state}) {
                push @errors, 'Bitte w&auml;hlen Sie Ihr Land aus der Liste.';
                $mark->('b_state', 'choose');
            }
        }
        if (grep { length Value($v, $_) } qw(s_firstname s_name s_street s_zip s_city)) {
            $need->($_) foreach qw(s_firstname s_name s_street s_zip s_city);
        }
        foreach my $name (qw(b_email s_email)) {
            my $address = Value($v, $name);
            next unless length $address && !ValidEmail($address);
            push @errors, 'Die E-Mail-Adresse &quot;' . Esc($address) . '&quot; ist ung&uuml;ltig.';
            $mark->($name, 'email');
        }
    } elsif ($step == 1) {
        my $wrap = Value($v, 'gift_wrap');
        if (length $wrap && !($::Gifts && exists $::Gift{$wrap})) {
            push @errors, 'Dieses Geschenkpapier gibt es nicht.';
            $mark->('gift_wrap', 'choose');
        }
        if (!$::Gift_Message && Value($v, 'gift_txt') =~ /\S/) {
            push @errors, 'Der Geschenkservice bietet keine Nachricht an.';
            $mark->('gift_txt', 'chars');
        }
    } elsif ($step == 2) {
        my ($via, $ship, $pay) = map { Value($v, $_) } qw(send_via versand payment_typ);
        my @choices = ([ 'send_via', $via, \%::AcceptOrders, '&Uuml;bermittlungsart' ], [ 'versand', $ship, \%::aShipping, 'Versandart' ],
            [ 'payment_typ', $pay, \%::Payment, 'Zahlungsart' ]);
        foreach my $choice (@choices) {
            my ($name, $value, $table, $what) = @$choice;
            next if length $value && exists $table->{$value};
            push @errors, "Bitte w&auml;hlen Sie eine $what.";
            $mark->($name, 'choose');
        }
        if (defined $::Payment_LS && $pay eq $::Payment_LS) {
            $need->($_) foreach qw(payment_bankname payment_banknumber payment_accountnumber payment_accountuser);
            my $said;
            foreach my $name (qw(payment_banknumber payment_accountnumber)) {
                my $number = Value($v, $name);
                next unless length $number && $number !~ /^[A-Za-z0-9 ]+$/;
                push @errors, 'Bankleitzahl und Kontonummer d&uuml;rfen nur Ziffern und Buchstaben enthalten.' unless $said++;
                $mark->($name, 'digits');
            }
        } elsif (defined $::Payment_CC && $pay eq $::Payment_CC) {
            push @errors, CardErrors($v, 'payment_', \%::CCName, 1, \%bad);
        }
    } elsif ($step == 3) {
        if (TermsToAccept() && Value($v, 'agb_accept') ne 'yes') {
            push @errors, 'Bitte stimmen Sie unseren Gesch&auml;ftsbedingungen zu.';
            $mark->('agb_accept', 'accept');
        }
    } elsif ($step == 4) {
        push @errors, CardErrors($v, 'olp_', \%olpcnf::OLP_CardType, 0, \%bad);
    }
    unshift @errors, $::pszFillInAllFields if $missing;
    return (\@errors, \%bad);
}

sub CheckStep {
    my ($errors) = CheckFields(@_);
    return @$errors;
}

sub CardErrors {
    my ($v, $prefix, $organisations, $luhn, $bad) = @_;
    my @errors;
    my $mark = sub { $bad->{"$prefix$_[0]"} = $Why{ $_[1] } if $bad && !exists $bad->{"$prefix$_[0]"} };
    my $org = Value($v, "${prefix}cardorganisation");
    if (!(length $org && exists $organisations->{$org})) {
        push @errors, 'Bitte w&auml;hlen Sie die Kartenorganisation.';
        $mark->('cardorganisation', 'choose');
    }
    if (!length Value($v, "${prefix}cardname")) {
        push @errors, $::pszFillInAllFields;
        $mark->('cardname', 'missing');
    }
    my $digits = CardDigits(Value($v, "${prefix}cardnumber"));
    if (!(defined $digits && (!$luhn || Luhn($digits)))) {
        push @errors, 'Die Kartennummer ist ung&uuml;ltig.';
        $mark->('cardnumber', 'card');
    }
    if (!ExpiryOk(Value($v, "${prefix}cardexpire1"), Value($v, "${prefix}cardexpire2"))) {
        push @errors, 'Das G&uuml;ltigkeitsdatum der Karte ist ung&uuml;ltig oder abgelaufen.';
        $mark->('cardexpire1', 'expiry');
        $mark->('cardexpire2', 'expiry');
    }
    my $pin = Value($v, "${prefix}cardpin");
    if (length $pin && $pin !~ /^\d{3,4}$/) {
        push @errors, 'Die Pr&uuml;fsumme besteht aus drei oder vier Ziffern.';
        $mark->('cardpin', 'pin');
    }
    return @errors;
}

# Terms or a withdrawal notice that the customer confirms before ordering.
sub TermsToAccept {
    return grep { defined $_ && /\S/ } @::ShopSet{qw(AGB Withdrawal)};
}

# ---------------------------------------------------------------- pages

# The text of the button that places the order, as the law wants it.
our $OrderButtonText = 'zahlungspflichtig bestellen';

# The fields of the page being shown that failed their check, with the text
# to show beside each; set by Show.
my %Invalid;

sub Heading { return WebCode::Heading(@_) }

sub Notes {
    my ($errors) = @_;
    return WebCode::Alerts($errors);
}

# Hidden fields of every step except the one shown, the cart (not on the
# summary, where it is edited) and the shop page to return to. Check digits
# never travel on; once a card payment has been made, the card number does
# not either: the sealed payment carries its masked form.
sub CarryFields {
    my ($o, $step) = @_;
    my $v = $o->{'v'};
    my %own = map { $_ => 1 } @{ $StepFields{$step} || [] };
    my $out = '';
    foreach my $s (0 .. 4) {
        foreach my $name (@{ $StepFields{$s} }) {
            next if $own{$name} || $Secret{$name} || !defined $v->{$name} || !length $v->{$name};
            next if $o->{'olp'} && $name eq 'olp_cardnumber';
            $out .= WebCode::Hidden($name, $v->{$name});
        }
    }
    $out .= WebCode::CartHidden($o->{'lines'}) unless $step == 3;
    return $out . WebCode::Hidden('ReturnPage', $o->{'return'});
}

sub Position {
    my ($v, $step) = @_;
    return WebCode::Hidden('LastPage', PrevStep($step, $v)) . WebCode::Hidden('ActivPage', $step)
        . WebCode::Hidden('NextPage', NextStep($step, $v));
}

sub Carry {
    my ($o, $step) = @_;
    return CarryFields($o, $step) . Position($o->{'v'}, $step);
}

# The cancel button leads back to the cart with the cart as it is now.
sub CancelForm {
    my ($o, $label) = @_;
    return '<FORM ACTION="' . WebCode::ScriptUrl('Catalog') . "\" METHOD=POST>\n"
        . WebCode::CatalogState($o->{'return'}, 'wk', $o->{'lines'})
        . WebCode::TextButton('show_wk', defined $label ? $label : $::pszStepCancel) . "</FORM>";
}

sub StepButtons {
    my ($o, $step, $nextText) = @_;
    my $out = "<TABLE BORDER=0 CELLPADING=5 ALIGN=CENTER><TR><TD VALIGN=TOP>";
    $out .= WebCode::TextButton('show_back', $::pszStepOfStep) . '&nbsp;' if $step > 0;
    $out .= WebCode::TextButton('show_next', defined $nextText ? $nextText : $::pszStepToStep)
        . "</FORM></TD>\n<TD VALIGN=TOP>" . CancelForm($o) . "</TD></TR></TABLE>\n";
    return $out;
}

# The shop's menu above every order step, in a form of its own: it leaves
# the order for the catalogue with the cart, as the cancel button does. After
# the order ($done) the cart stays behind.
sub NavForm {
    my ($o, $done) = @_;
    return '' unless $::TopMenu;
    return WebCode::FormStart('Catalog')
        . ($done ? WebCode::CatalogState('sf', 'sf') : WebCode::CatalogState($o->{'return'}, 'wk', $o->{'lines'}))
        . WebCode::MenuBar(0, 1, 0) . "</CENTER></FORM>\n";
}

sub PageStart {
    my ($o, $title, $done) = @_;
    return WebCode::Header('private' => 1) . WebCode::PageHead('title' => $title)
        . NavForm($o, $done)
        . WebCode::FormStart('Order', 'NOVALIDATE')
        . ($::TopMenu ? WebCode::Divider() : '')
        . WebCode::Logo(0);
}

sub PageEnd {
    return WebCode::LegalFooter(0) . WebCode::CreditLine() . "</CENTER>\n" . WebCode::PageFoot();
}

# How a phone fills in each field: input type, autofill token (after
# "billing" or "shipping" for the addresses), keyboard.
my %FieldKind = (
    'company' => [ 'TEXT', 'organization' ],    'firstname' => [ 'TEXT', 'given-name' ],
    'name'    => [ 'TEXT', 'family-name' ],     'street'    => [ 'TEXT', 'street-address' ],
    'zip'     => [ 'TEXT', 'postal-code' ],     'city'      => [ 'TEXT', 'address-level2' ],
    'state'   => [ 'TEXT', 'address-level1' ],  'country'   => [ 'TEXT', 'country-name' ],
    'phone'   => [ 'TEL', 'tel' ],              'fax'       => [ 'TEL', 'fax tel' ],
    'email'   => [ 'EMAIL', 'email' ],
    'cardname' => [ 'TEXT', 'cc-name' ],        'cardnumber' => [ 'TEXT', 'cc-number', 'numeric' ],
    'cardexpire1' => [ 'TEXT', 'cc-exp-month', 'numeric' ], 'cardexpire2' => [ 'TEXT', 'cc-exp-year', 'numeric' ],
    'cardpin' => [ 'TEXT', 'cc-csc', 'numeric' ],
    'banknumber' => [ 'TEXT', 'off', 'numeric' ], 'accountuser' => [ 'TEXT', 'name' ],
);

sub FieldKind {
    my ($name) = @_;
    my ($section, $field) = $name =~ /\A(b_|s_|payment_|olp_)(.*)\z/ or return ('TEXT');
    my ($type, $token, $mode) = @{ $FieldKind{$field} || [ 'TEXT' ] };
    $token = ($section eq 'b_' ? 'billing ' : 'shipping ') . $token if defined $token && $section =~ /\A[bs]_\z/;
    return ($type, $token, $mode);
}

# The marks of a field that failed its check: the attributes for the field
# and the text beside it.
sub InvalidMarks {
    my ($name) = @_;
    return ('', '') unless exists $Invalid{$name};
    return (" ARIA-INVALID=\"true\" ARIA-DESCRIBEDBY=\"err_$name\"", "<SPAN CLASS=\"err\" ID=\"err_$name\">$Invalid{$name}</SPAN>");
}

sub Input {
    my ($v, $name, $size, $max, $required) = @_;
    my $value = (defined $v->{$name} && !$Secret{$name}) ? $v->{$name} : '';
    my ($type, $token, $mode) = FieldKind($name);
    my ($attr, $why) = InvalidMarks($name);
    return "<INPUT TYPE=$type NAME=\"$name\" SIZE=$size" . ($max ? " MAXLENGTH=$max" : '') . ' VALUE="' . Esc($value) . '"'
        . " ID=\"$name\"" . (defined $token ? " AUTOCOMPLETE=\"$token\"" : '') . (defined $mode ? " INPUTMODE=\"$mode\"" : '')
        . ($name =~ /zip\z/ ? ' CLASS="zip"' : '') . ($required ? ' ARIA-REQUIRED="true"' : '') . "$attr>$why";
}

sub Select {
    my ($v, $name, $options) = @_;
    my $current = Value($v, $name);
    my ($attr, $why) = InvalidMarks($name);
    my ($type, $token) = FieldKind($name);
    my $out = "<SELECT NAME=\"$name\" ID=\"$name\"" . (defined $token ? " AUTOCOMPLETE=\"$token\"" : '') . "$attr>";
    foreach my $option (@$options) {
        my ($value, $label) = @$option;
        $out .= '<OPTION VALUE="' . Esc($value) . '"' . ($value eq $current ? ' SELECTED' : '') . ">$label</OPTION>";
    }
    return $out . "</SELECT>$why";
}

sub Label {
    my ($for, $text) = @_;
    return "<LABEL FOR=\"$for\">$text</LABEL>";
}

sub FieldRow {
    my ($label, $mark, $inputs) = @_;
    my $face = Face();
    return "<TR><TD><FONT FACE=\"$face\" SIZE=\"-1\"><B>$label</B></FONT>$mark</TD><TD>$inputs</TD></TR>\n";
}

sub AddressRows {
    my ($v, $p, $billing) = @_;
    my $req = sub { $billing && $_[0] };
    my $mark = sub { $req->($_[0]) ? '*' : '' };
    my $row = sub {
        my ($field, $text, $size, $required) = @_;
        return FieldRow(Label("$p$field", $text), $mark->($required), Input($v, "$p$field", $size, 0, $req->($required)));
    };
    my $out = '';
    $out .= $row->('nr', $::pszStepOneNr, 40, $::ReqFieldNr) if $billing;
    $out .= $row->('company', $::pszStepOneCompany, 40, 0);
    $out .= $row->('firstname', $::pszStepOneFirstname, 40, 1);
    $out .= $row->('name', $::pszStepOneName, 40, 1);
    $out .= $row->('street', $::pszStepOneStreet, 40, 1);
    $out .= FieldRow(Label("${p}zip", $::pszStepOneZip) . ', ' . Label("${p}city", $::pszStepOneCity), $mark->(1),
        Input($v, "${p}zip", 8, 0, $req->(1)) . ' ' . Input($v, "${p}city", 29, 0, $req->(1)));
    my $regional = $billing && ($::Taxes || 0) == 1;
    my $state = $regional
        ? Select($v, 'b_state', [ ['', '&nbsp;'], map { [ $_, Esc($_) ] } sort keys %::RegioTax ])
        : Input($v, "${p}state", 8);
    $out .= FieldRow(Label("${p}state", $::pszStepOneState) . ', ' . Label("${p}country", $::pszStepOneCountry),
        $mark->($::ReqFieldCountry || $regional), $state . ' ' . Input($v, "${p}country", 29, 0, $req->($::ReqFieldCountry)));
    $out .= $row->('phone', $::pszStepOnePhone, 40, $::ReqFieldPhone);
    $out .= $row->('fax', $::pszStepOneFax, 40, $::ReqFieldFax);
    $out .= $row->('email', $::pszStepOneEmail, 40, $::ReqFieldEMail);
    return $out;
}

sub BlockHead {
    my ($title, $info) = @_;
    my $face = Face();
    return "<TR><TD COLSPAN=2><FONT FACE=\"$face\"><b>$title</B><BR><FONT SIZE=\"-1\"><I>$info</I></FONT></FONT></TD></TR>\n";
}

sub CustomerPage {
    my ($o, $errors) = @_;
    my $v = $o->{'v'};
    my $face = Face();
    return PageStart($o, $::pszStepOneHeTe)
        . "<TABLE WIDTH=620 BORDER=0>\n<TR><TD ALIGN=CENTER><FONT FACE=\"$face\">" . Heading($::pszStepOneHeTe)
        . "<FONT SIZE=\"-1\">$::pszStepOneHeDe</FONT></FONT></TD></TR></TABLE>\n" . Notes($errors) . WebCode::Divider()
        . "<TABLE WIDTH=620 BORDER=0 ALIGN=CENTER>\n<TR><TD><TABLE CLASS=\"fields\" BORDER=0>\n"
        . BlockHead($::pszStepOneBilling, $::pszStepOneRequired) . AddressRows($v, 'b_', 1) . "</TABLE>\n" . WebCode::Divider()
        . "<TABLE CLASS=\"fields\" BORDER=0>\n" . BlockHead($::pszStepOneShipping, $::pszStepOneShipInfo) . AddressRows($v, 's_', 0)
        . "</TABLE>\n" . WebCode::Divider()
        . Carry($o, 0) . StepButtons($o, 0) . "</TD></TR></TABLE>\n" . PageEnd();
}

sub GiftPicture {
    my ($name) = @_;
    my $ref = $::Gift{$name};
    return '&nbsp;' unless defined $ref && length $ref;
    my $attr = WebCode::ImageAttributes($::Basis{'Gifts'}, $ref);
    return length $attr ? "<IMG $attr ALT=\"" . Esc($name) . '">' : '&nbsp;';
}

sub GiftPage {
    my ($o, $errors) = @_;
    my $v = $o->{'v'};
    my $face = Face();
    my $out = PageStart($o, $::pszStepTwoHeTe)
        . "<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"$face\">" . Heading($::pszStepTwoHeTe)
        . "<P><FONT SIZE=\"-1\">";
    $out .= "$::pszStepTwoHeDe1 " . WebCode::Price($::Gift_Cost || 0) . '&nbsp;' . ($::Gift_Type ? $::pszGiftWarpItem : $::pszGiftWarpOrder)
        if $::Gifts;
    $out .= "<BR>$::pszStepTwoHeDe2 " . WebCode::Price($::Gift_TextCost || 0) if $::Gift_Message;
    $out .= "</FONT></FONT></TD></TR></TABLE>\n" . Notes($errors) . WebCode::Divider();
    if ($::Gifts) {
        my $current = Value($v, 'gift_wrap');
        my ($attr, $why) = InvalidMarks('gift_wrap');
        $out .= "<TABLE WIDTH=620 BORDER=0><TR><TD><FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\">"
            . "<H3 ALIGN=CENTER>$::pszStepTwoChoose</H3></FONT>$why</TD></TR><TR><TD>\n"
            . "<TABLE ALIGN=CENTER BORDER=0 CELLPADDING=4><TR>";
        my @choices = ([ '', '&nbsp;', $::pszStepTwoNone ], map { [ $_, GiftPicture($_), Esc($_) ] } sort keys %::Gift);
        my $n = 0;
        foreach my $choice (@choices) {
            my ($value, $picture, $label) = @$choice;
            $out .= "<TD VALIGN=TOP>$picture</TD><TD VALIGN=TOP>"
                . WebCode::Tick('type' => 'RADIO', 'name' => 'gift_wrap', 'value' => $value, 'checked' => $value eq $current,
                    'extra' => $attr, 'text' => "&nbsp;<FONT FACE=\"$face\">&nbsp;$label</FONT>") . '</TD>';
            $out .= "</TR><TR>" if ++$n % 2 == 0;
        }
        $out .= "</TR></TABLE></TD></TR></TABLE>\n" . WebCode::Divider();
    }
    if ($::Gift_Message) {
        my ($attr, $why) = InvalidMarks('gift_txt');
        $out .= "<P><CENTER><B><FONT FACE=\"$face\">" . Label('gift_txt', $::pszStepTwoMsg) . "</FONT></B><BR>"
            . "<TEXTAREA NAME=\"gift_txt\" ID=\"gift_txt\" ROWS=7 COLS=40$attr>" . Esc(defined $v->{'gift_txt'} ? $v->{'gift_txt'} : '')
            . "</TEXTAREA>$why</CENTER></P>\n" . WebCode::Divider();
    }
    return $out . Carry($o, 1) . StepButtons($o, 1) . PageEnd();
}

sub ShippingName { return WebCode::ShippingName(@_) }

sub SmallRow {
    my ($label, $input, $for) = @_;
    my $face = Face();
    $label = Label($for, $label) if defined $for;
    return "<TR><TD VALIGN=TOP><FONT FACE=\"$face\" SIZE=\"-1\">$label:</FONT></TD><TD>$input</TD></TR>\n";
}

# The fields of a card: organisation, owner, number, expiry and check digits.
sub CardRows {
    my ($v, $prefix, $cards) = @_;
    return SmallRow($::pszCardOrganisation, Select($v, "${prefix}cardorganisation", $cards), "${prefix}cardorganisation")
        . SmallRow($::pszCardName, Input($v, "${prefix}cardname", 30), "${prefix}cardname")
        . SmallRow($::pszCardNumber, Input($v, "${prefix}cardnumber", 30), "${prefix}cardnumber")
        . SmallRow($::pszCardExpire, Input($v, "${prefix}cardexpire1", 2, 2) . ' / '
            . "<LABEL FOR=\"${prefix}cardexpire2\" CLASS=\"vh\">$::pszCardExpire</LABEL>"
            . Input($v, "${prefix}cardexpire2", 2, 2), "${prefix}cardexpire1")
        . SmallRow($::pszCardPin, Input($v, "${prefix}cardpin", 4, 4), "${prefix}cardpin");
}

sub PaymentPage {
    my ($o, $errors) = @_;
    my $v = $o->{'v'};
    my $face = Face();
    my $out = PageStart($o, $::pszStepThreePT)
        . "<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"$face\">" . Heading($::pszStepThreePT)
        . "<FONT SIZE=\"-1\">" . Label('send_via', $::pszStepThreePTI) . "</FONT></FONT><BR>"
        . Select($v, 'send_via', [ map { [ $_, $::AcceptOrders{$_} ] } sort keys %::AcceptOrders ])
        . "</TD></TR></TABLE>\n" . Notes($errors) . WebCode::Divider();
    $out .= "<FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\"><H3>" . Label('versand', $::pszStepFourShpT) . "</H3></FONT>\n"
        . Select($v, 'versand', [ map { [ $_, Esc(ShippingName($_)) ] } sort keys %::aShipping ])
        . "\n" . WebCode::Divider();
    my ($attr, $why) = InvalidMarks('payment_typ');
    $out .= "<FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\"><H3>$::pszStepThreePaym</H3></FONT>$why\n"
        . "<P><TABLE BORDER=0 CELLPADING=4 ALIGN=CENTER>\n";
    my $current = Value($v, 'payment_typ');
    foreach my $name (sort keys %::Payment) {
        $out .= '<TR><TD COLSPAN=2 VALIGN=TOP ALIGN=LEFT>'
            . WebCode::Tick('type' => 'RADIO', 'name' => 'payment_typ', 'value' => $name, 'checked' => $name eq $current, 'extra' => $attr,
                'text' => "&nbsp;<FONT FACE=\"$face\" SIZE=\"-1\"><B>" . Esc($name) . '&nbsp;(' . WebCode::Price($::Payment{$name}) . ')</B></FONT>')
            . "</TD></TR>\n";
        my $rows = '';
        if (defined $::Payment_CC && $name eq $::Payment_CC) {
            my @cards = map { [ $_, $::CCName{$_} ] } sort { substr($a, 2) <=> substr($b, 2) } keys %::CCName;
            $rows = CardRows($v, 'payment_', \@cards);
        } elsif (defined $::Payment_LS && $name eq $::Payment_LS) {
            $rows = SmallRow($::pszBankName, Input($v, 'payment_bankname', 30), 'payment_bankname')
                . SmallRow($::pszBankNumber, Input($v, 'payment_banknumber', 30), 'payment_banknumber')
                . SmallRow($::pszAccountNumber, Input($v, 'payment_accountnumber', 30), 'payment_accountnumber')
                . SmallRow($::pszAccountUser, Input($v, 'payment_accountuser', 30), 'payment_accountuser');
        }
        $out .= "<TR><TD WIDTH=40>&nbsp;</TD><TD><TABLE CLASS=\"fields\" BORDER=0>\n$rows</TABLE></TD></TR>\n" if length $rows;
    }
    return $out . "</TABLE>\n" . WebCode::Divider() . Carry($o, 2) . StepButtons($o, 2) . PageEnd();
}

# The rows below the cart: every total that applies.
sub TotalRows {
    my ($o, $t) = @_;
    my $face = Face();
    my $v = $o->{'v'};
    my $row = sub {
        my ($label, $amount, $bold) = @_;
        my ($b, $eb) = $bold ? ('<B>', '</B>') : ('', '');
        return "<TR><TD COLSPAN=3 ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"$face\" SIZE=\"-1\">$b$label$eb</FONT></TD>"
            . "<TD ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"$face\" SIZE=\"-1\">$b" . WebCode::Price($amount) . "$eb</FONT></TD></TR>\n";
    };
    my $out = $row->($::pszStepFourSumm, $t->{'goods'}, 1);
    $out .= $row->($::pszStepFourDisc, -$t->{'discount'}) if $t->{'discount'} > 0;
    my $ship = Value($v, 'versand');
    $out .= $row->("$::pszStepFourShpK (" . Esc(ShippingName($ship)) . ')', $t->{'shipping'});
    $out .= $row->($::pszShippingInsurance, $t->{'insurance'}) if $t->{'insurance'} > 0;
    $out .= $row->($::pszStepFourGift, $t->{'gift'}) if $t->{'gift'} > 0;
    $out .= $row->("$::pszStepFourPayK (" . Esc(Value($v, 'payment_typ')) . ')', $t->{'payment'});
    $out .= $row->("$::pszStepFourTaxes1 " . WebCode::Rate($t->{'taxrate'}), $t->{'tax'}) if defined $t->{'taxrate'};
    $out .= $row->($::pszStepFourPay, $t->{'total'}, 1);
    foreach my $rate (sort { $a <=> $b } keys %{ $t->{'contained'} }) {
        $out .= $row->("$::pszStepFourTaxes2 " . WebCode::Rate($rate), $t->{'contained'}{$rate});
    }
    return $out;
}

# Links to the terms and the withdrawal notice, beside the page.
sub TermsLinks {
    my @links;
    push @links, '<A HREF="' . WebCode::PageUrl('show_agb') . "\" TARGET=\"_blank\">$::pszGeneralAgb</A>" if $::ShopSet{'AGB'} =~ /\S/;
    push @links, '<A HREF="' . WebCode::PageUrl('show_withdrawal') . '" TARGET="_blank">Widerrufsbelehrung</A>'
        if defined $::ShopSet{'Withdrawal'} && $::ShopSet{'Withdrawal'} =~ /\S/;
    return join(' &middot; ', @links);
}

# The confirmation of terms and withdrawal notice right before the button
# that places the order; checked again by the server (step 3).
sub TermsBlock {
    my ($v) = @_;
    return '' unless TermsToAccept();
    my $face = Face();
    my $agb = $::ShopSet{'AGB'} =~ /\S/;
    my $withdrawal = defined $::ShopSet{'Withdrawal'} && $::ShopSet{'Withdrawal'} =~ /\S/;
    my $what = join(' und die ', ($agb ? 'AGB' : ()), ($withdrawal ? 'Widerrufsbelehrung' : ()));
    my ($attr, $why) = InvalidMarks('agb_accept');
    my $out = "<FONT FACE=\"$face\"><B>" . TermsLinks() . "</B><BR>"
        . WebCode::Tick('name' => 'agb_accept', 'value' => 'yes', 'id' => 'agb_accept', 'checked' => Value($v, 'agb_accept') eq 'yes',
            'extra' => "ARIA-REQUIRED=\"true\"$attr", 'text' => "&nbsp;Ich habe die $what gelesen. $::pszAgbYes")
        . "$why</FONT>\n";
    $out .= "<P><TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><TD><FONT FACE=\"$face\" SIZE=\"-1\">$::ShopSet{'AGB'}</FONT></TD></TR></TABLE>\n"
        if $agb && !$::AgbAsLink;
    return $out . WebCode::Divider();
}

sub SummaryPage {
    my ($o, $errors) = @_;
    my $v = $o->{'v'};
    my $face = Face();
    my $t = Totals($o->{'lines'}, $v);
    my $out = PageStart($o, $::pszStepFourSumm)
        . "<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"$face\">" . Heading($::pszStepOneHeTe)
        . "<FONT SIZE=\"-1\">$::pszStepFourInfo</FONT></FONT></TD></TR></TABLE>\n" . Notes($errors) . WebCode::Divider()
        . Product::CartTable($o->{'lines'}, 1) . TotalRows($o, $t) . "</TABLE></TD></TR></TABLE><BR>\n"
        . '<TABLE BORDER=0 ALIGN=CENTER><TR><TD>' . WebCode::TextButton('show_reload', $::pszRecalculate) . '&nbsp;'
        . WebCode::TextButton('show_billings', $::pszStepFourPayK) . "</TD></TR></TABLE>\n" . WebCode::Divider()
        . TermsBlock($v);
    return $out . Carry($o, 3) . StepButtons($o, 3, OlpChosen($v) ? $::pszStepToStep : $OrderButtonText) . PageEnd();
}

sub OlpPage {
    my ($o, $errors) = @_;
    my $v = $o->{'v'};
    my $face = Face();
    my $t = Totals($o->{'lines'}, $v);
    my @types = map { [ $_, $olpcnf::OLP_CardType{$_} ] } sort keys %olpcnf::OLP_CardType;
    return PageStart($o, $::pszOlpName)
        . "<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"$face\">" . Heading($::pszOlpName)
        . "<B>$::pszOlpAmount " . WebCode::Price($t->{'total'}) . '</B>'
        . "</FONT></TD></TR></TABLE>\n" . Notes($errors) . WebCode::Divider()
        . "<TABLE CLASS=\"fields\" BORDER=0 ALIGN=CENTER>\n" . CardRows($v, 'olp_', \@types)
        . "</TABLE>\n<P><FONT FACE=\"$face\" SIZE=\"-1\">$::pszOlpAttention</FONT>\n" . WebCode::Divider()
        . Carry($o, 4) . StepButtons($o, 4, $OrderButtonText) . PageEnd();
}


# ---------------------------------------------------------------- order text

sub MaskCard {
    my ($number) = @_;
    my $digits = CardDigits($number);
    return '' unless defined $digits;
    return ('*' x (length($digits) - 4)) . substr($digits, -4);
}

sub Plain { return WebCode::HtmlToText(@_) }

sub AddressText {
    my ($v, $p) = @_;
    my @lines;
    push @lines, Plain($::pszStepOneNr) . ": $v->{'b_nr'}" if $p eq 'b_' && length Value($v, 'b_nr');
    foreach my $line ([ 'company' ], [ 'firstname', 'name' ], [ 'street' ], [ 'zip', 'city' ], [ 'state', 'country' ]) {
        my $text = join(' ', grep { length } map { Value($v, "$p$_") } @$line);
        push @lines, $text if length $text;
    }
    foreach my $f ([ 'phone', $::pszStepOnePhone ], [ 'fax', $::pszStepOneFax ], [ 'email', $::pszStepOneEmail ]) {
        my $value = Value($v, "$p$f->[0]");
        push @lines, Plain($f->[1]) . ": $value" if length $value;
    }
    return join("\n", @lines) . "\n";
}

sub PaymentText {
    my ($o, $forCustomer) = @_;
    my $v = $o->{'v'};
    my $pay = Value($v, 'payment_typ');
    my $out = Plain($::pszStepFourPayK) . ": $pay\n";
    if (defined $::Payment_LS && $pay eq $::Payment_LS) {
        $out .= Plain($::pszBankName) . ': ' . Value($v, 'payment_bankname') . "\n"
            . Plain($::pszBankNumber) . ': ' . Value($v, 'payment_banknumber') . "\n"
            . Plain($::pszAccountNumber) . ': ' . Value($v, 'payment_accountnumber') . "\n"
            . Plain($::pszAccountUser) . ': ' . Value($v, 'payment_accountuser') . "\n";
    } elsif (defined $::Payment_CC && $pay eq $::Payment_CC) {
        my $org = $::CCName{ Value($v, 'payment_cardorganisation') };
        my $number = Value($v, 'payment_cardnumber');
        $out .= Plain($::pszCardOrganisation) . ': ' . (defined $org ? $org : '') . "\n"
            . Plain($::pszCardName) . ': ' . Value($v, 'payment_cardname') . "\n"
            . Plain($::pszCardNumber) . ': ' . ($forCustomer ? MaskCard($number) : CardDigits($number)) . "\n"
            . Plain($::pszCardExpire) . ': ' . sprintf('%02d/%02d', Value($v, 'payment_cardexpire1'), Value($v, 'payment_cardexpire2')) . "\n";
    }
    if ($o->{'olp'}) {
        my $r = $o->{'olp'};
        $out .= Plain($::pszOlpYes) . "\n"
            . Plain($::pszOlpNumber) . " $r->{'card'}\n"
            . Plain($::pszOlpTRef) . " $r->{'tref'}\n" . Plain($::pszOlpTNum) . " $r->{'tnum'}\n"
            . Plain($::pszOlpGNum) . " $r->{'anum'}\n";
    }
    return $out;
}

sub Column {
    my ($text, $width) = @_;
    return sprintf("%-${width}s", length($text) > $width ? substr($text, 0, $width) : $text);
}

# The order as plain text, for the mail, the mailto form and the error page.
# The customer's copy shows card numbers masked.
sub OrderText {
    my ($o, $t, $forCustomer) = @_;
    my $v = $o->{'v'};
    my $out = $::pszMail_Order . $::Currency{'Master'} . "\n\n";
    $out .= Column(Plain($::pszMailFormatQut), 7) . Column(Plain($::pszMailFormatNr), 14) . Column(Plain($::pszMailFormatArt), 30)
        . sprintf("%12s%12s\n", Plain($::pszMailFormatPri), Plain($::pszMailFormatSum)) . ('-' x 75) . "\n";
    foreach my $line (@{ $o->{'lines'} }) {
        my ($p, $i) = ($line->{'product'}, $line->{'item'});
        $out .= Column(WebCode::QuantityText($line->{'qty'}), 7) . Column(Plain($i->{'number'}), 14) . Column(Plain($p->{'name'}), 30)
            . sprintf("%12.2f%12.2f\n", $i->{'mprice'}, Round2($line->{'qty'} * $i->{'mprice'}));
        my $values = join(' / ', grep { length } map { Plain($_) } $i->{'val1'}, $i->{'val2'});
        $out .= (' ' x 21) . "$values\n" if length $values;
    }
    $out .= ('-' x 75) . "\n";
    my $row = sub { return Column(Plain($_[0]), 51) . sprintf("%24.2f\n", $_[1]) };
    $out .= $row->($::pszStepFourSumm, $t->{'goods'});
    $out .= $row->($::pszStepFourDisc, -$t->{'discount'}) if $t->{'discount'} > 0;
    $out .= $row->("$::pszStepFourShpK (" . ShippingName(Value($v, 'versand')) . ')', $t->{'shipping'});
    $out .= $row->($::pszShippingInsurance, $t->{'insurance'}) if $t->{'insurance'} > 0;
    $out .= $row->($::pszStepFourGift, $t->{'gift'}) if $t->{'gift'} > 0;
    $out .= $row->("$::pszStepFourPayK (" . Value($v, 'payment_typ') . ')', $t->{'payment'});
    $out .= $row->(sprintf('%s %.2f%%', $::pszStepFourTaxes1, $t->{'taxrate'}), $t->{'tax'}) if defined $t->{'taxrate'};
    $out .= $row->($::pszStepFourPay, $t->{'total'});
    foreach my $rate (sort { $a <=> $b } keys %{ $t->{'contained'} }) {
        $out .= $row->(sprintf('%s %.2f%%', $::pszStepFourTaxes2, $rate), $t->{'contained'}{$rate});
    }
    my $delivery = grep { length Value($v, "s_$_") } qw(name street city);
    $out .= $::pszMail_ShipAdr . AddressText($v, $delivery ? 's_' : 'b_');
    $out .= $::pszMail_BillAdr . AddressText($v, 'b_');
    my $wrap = Value($v, 'gift_wrap');
    my $message = defined $v->{'gift_txt'} ? $v->{'gift_txt'} : '';
    $message =~ s/\r\n?/\n/g;
    if (length $wrap || $message =~ /\S/) {
        $out .= $::pszMail_Gif;
        $out .= Plain($::pszMail_GiftPap) . ": $wrap\n" if length $wrap;
        $out .= Plain($::pszMail_GiftTxt) . ":\n$message\n" if $message =~ /\S/;
    }
    $out .= "\n" . Plain($::pszStepFiveShpT) . ': ' . ShippingName(Value($v, 'versand')) . "\n";
    $out .= Plain($::pszStepThreePT) . ': ' . Plain($::AcceptOrders{ Value($v, 'send_via') } || '') . "\n";
    $out .= PaymentText($o, $forCustomer);
    $out .= Plain($::pszLastStepTime) . ': ' . $o->{'time'} . "\n";
    return $out . LegalText();
}

# Breaks lines longer than $width at blanks; a mail line must stay short.
sub WrapText {
    my ($text, $width) = @_;
    my @out;
    foreach my $line (split /\n/, $text, -1) {
        $line =~ s/[ \t]+\z//;
        while (length $line > $width) {
            my $cut = rindex($line, ' ', $width);
            $cut = index($line, ' ', $width) if $cut <= 0;
            last if $cut <= 0;
            push @out, substr($line, 0, $cut);
            $line = substr($line, $cut + 1);
            $line =~ s/\A +//;
        }
        push @out, $line;
    }
    return join("\n", @out);
}

# The terms and the withdrawal notice the order was placed under, as the
# customer must receive them with the confirmation.
sub LegalText {
    my $out = '';
    foreach my $part ([ "Allgemeine Gesch\xE4ftsbedingungen", 'AGB' ], [ 'Widerrufsbelehrung', 'Withdrawal' ]) {
        my $text = Plain($::ShopSet{ $part->[1] });
        $text =~ s/\r\n?/\n/g;
        next unless $text =~ /\S/;
        $out .= "\n$part->[0]\n" . ('=' x length $part->[0]) . "\n" . WrapText(WebCode::Trim($text), 76) . "\n";
    }
    return $out;
}

# ---------------------------------------------------------------- mail

my @Day = qw(Sun Mon Tue Wed Thu Fri Sat);
my @Month = qw(Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec);

sub MailDate {
    my ($time) = @_;
    my @t = gmtime($time);
    return sprintf('%s, %02d %s %04d %02d:%02d:%02d +0000', $Day[$t[6]], $t[3], $Month[$t[4]], $t[5] + 1900, @t[2, 1, 0]);
}

# Latin-1 text in a head line is sent as an encoded word.
sub HeadText {
    my ($text) = @_;
    return $text unless $text =~ /[^\x20-\x7E]/;
    (my $q = $text) =~ s/([^A-Za-z0-9!*+\-\/ ])/sprintf('=%02X', ord $1)/ge;
    $q =~ tr/ /_/;
    return "=?ISO-8859-1?Q?$q?=";
}

# The head of an order mail, or undef when a value would break a head line.
sub MailHead {
    my (%h) = @_;
    foreach my $value (@h{qw(to from replyto subject)}) {
        return if !defined $value || $value =~ /[\r\n\0]/;
    }
    return "To: $h{'to'}\n" . "From: $h{'from'}\n" . "Reply-to: $h{'replyto'}\n" . "X-Mailer: Tolm! Vendora\n"
        . 'Subject: ' . HeadText($h{'subject'}) . "\n" . 'Date: ' . MailDate(defined $h{'time'} ? $h{'time'} : time) . "\n"
        . "MIME-Version: 1.0\nContent-Type: text/plain; charset=ISO-8859-1\nContent-Transfer-Encoding: 8bit\n";
}

# The SMTP form of a mail: CR LF line ends, leading dots doubled, a lone dot
# at the end.
sub SmtpData {
    my ($text) = @_;
    $text =~ s/\r\n?/\n/g;
    $text .= "\n" unless $text =~ /\n\z/;
    $text =~ s/^\./../mg;
    $text =~ s/\n/\r\n/g;
    return "$text.\r\n";
}

# Reads one reply of an SMTP server (continuation lines included); returns
# its three-digit code, or undef on time-out or a closed connection.
sub SmtpReply {
    my ($sock, $buffer, $timeout) = @_;
    my $select = IO::Select->new($sock);
    while (1) {
        while ($$buffer =~ s/^([^\n]*)\n//) {
            my $line = $1;
            next if $line =~ /^\d{3}-/;
            return $line =~ /^(\d{3})/ ? $1 : '500';
        }
        return if length($$buffer) > 4096;
        return unless $select->can_read($timeout);
        my $got = sysread($sock, $$buffer, 1024, length $$buffer);
        return unless $got;
    }
}

sub SmtpSendLine {
    my ($sock, $text) = @_;
    my $done = 0;
    while ($done < length $text) {
        my $n = syswrite($sock, $text, length($text) - $done, $done);
        return 0 unless $n;
        $done += $n;
    }
    return 1;
}

# Sends a mail by SMTP. Returns (0) or (error code, detail): -1 host unknown,
# -2 socket failed, -3 connect failed, -4 service not available, -5 transfer
# error, -6 recipient refused (detail: the address), -7 final reply negative.
sub Smtp {
    my (%a) = @_;
    my ($host, $port) = $a{'host'} =~ /^\s*([^\s:]+)(?::(\d+))?\s*$/;
    return (-1, $a{'host'}) unless defined $host;
    $port ||= getservbyname('smtp', 'tcp') || 25;
    my $timeout = $a{'timeout'} || $SmtpTimeout;
    my $addr = inet_aton($host);
    return (-1, $host) unless $addr;
    my $sock;
    socket($sock, PF_INET, SOCK_STREAM, scalar(getprotobyname('tcp')) || 6) or return (-2);
    my $connected = eval {
        local $SIG{'ALRM'} = sub { die "timeout\n" };
        alarm $timeout;
        my $ok = connect($sock, sockaddr_in($port, $addr));
        alarm 0;
        $ok;
    };
    alarm 0;
    return (-3) unless $connected;
    local $SIG{'PIPE'} = 'IGNORE';
    my $buffer = '';
    my $code = SmtpReply($sock, \$buffer, $timeout);
    return (-4) unless defined $code && $code =~ /^2/;
    my $ask = sub {
        my ($line) = @_;
        return unless SmtpSendLine($sock, "$line\r\n");
        return SmtpReply($sock, \$buffer, $timeout);
    };
    my $bad = sub { !defined $_[0] || $_[0] =~ /^[45]/ };
    return (-5) if $bad->($ask->("helo $a{'helo'}"));
    return (-5) if $bad->($ask->("mail from:<$a{'from'}>"));
    foreach my $rcpt (@{ $a{'to'} }) {
        return (-6, $rcpt) if $bad->($ask->("rcpt to:<$rcpt>"));
    }
    $code = $ask->('data');
    return (-5) if !defined $code || $code !~ /^3/;
    return (-5) unless SmtpSendLine($sock, SmtpData($a{'data'}));
    return (-7) if $bad->(SmtpReply($sock, \$buffer, $timeout));
    SmtpSendLine($sock, "quit\r\n");
    close $sock;
    return (0);
}

# Hands a mail to the local mail program: "-t" takes the recipients from the
# head, "-i" keeps a line of a single dot from ending the mail early.
sub Sendmail {
    my ($program, $text) = @_;
    my @command = split ' ', defined $program ? $program : '';
    return (-5) unless @command;
    local $SIG{'PIPE'} = 'IGNORE';
    my $pipe;
    return (-5) unless open($pipe, '|-', @command, '-t', '-i');
    binmode $pipe;
    my $ok = print {$pipe} $text;
    $ok = close($pipe) && $ok;
    return $ok ? (0) : (-5);
}

sub MailErrorText {
    my ($code, $detail, $host) = @_;
    return sprintf($::pszSMTPError1, Esc($detail)) if $code == -1;
    return $::pszSMTPError2 if $code == -2;
    return $::pszSMTPError3 if $code == -3;
    return $::pszSMTPError4 if $code == -4;
    return $::pszSMTPError5 if $code == -5;
    return sprintf($::pszSMTPError6, Esc($detail), Esc($host)) . ' ' . $::pszSMTPError7 if $code == -6;
    return $::pszSMTPError7;
}

# Sends one mail by the shop's mail option. Returns (0) or the error.
sub SendMail {
    my (%m) = @_;
    my $head = MailHead(%m);
    return (-5) unless defined $head;
    my $body = $m{'body'};
    $body =~ s/\r\n?/\n/g;
    if (($::SubmitType || 0) == 1) {
        return Sendmail($::SubmitOption, "$head\n$body");
    }
    require Sys::Hostname;
    my $me = eval { Sys::Hostname::hostname() } || 'localhost';
    return Smtp('host' => $::SubmitOption, 'helo' => $me, 'from' => $m{'envelope'},
        'to' => [ $m{'to'} ], 'data' => "$head\n$body");
}

# ---------------------------------------------------------------- payment

# The payment result travels between pages in "transfer_" fields, sealed so
# that a customer cannot claim a payment that did not take place, nor carry a
# payment over to another order: the seal is an HMAC under the shop's own
# secret over the payment, the amount and currency, the customer's data, the
# cart and the time of payment.

# The secret: 64 hexadecimal digits in olpcnf.pm. Without it nothing is
# sealed and no seal is taken, so a payment cannot be carried to a retry and
# the customer pays again there; taking a payment that nobody can vouch for
# would let anyone claim one.
sub SealKey {
    my $key = $olpcnf::SealKey;
    return unless defined $key && $key =~ /\A[0-9A-Fa-f]{64}\z/;
    return pack('H*', $key);
}

# One text from a list of values, each with its length in front, so that no
# two different lists give the same text.
sub Packed {
    return join('', map { my $x = defined $_ ? $_ : ''; length($x) . ':' . $x . ';' } @_);
}

sub Cents {
    my ($amount) = @_;
    return int($amount * 100 + 0.5);
}

sub TransferSeal {
    my ($o, $t, $r) = @_;
    my $key = SealKey();
    return unless defined $key;
    require Digest::SHA;
    my $v = $o->{'v'};
    my @order = (@Billing, @Delivery, @GiftFields, qw(send_via versand payment_typ),
        grep { !$Secret{$_} && $_ ne 'olp_cardnumber' } @OlpFields);
    my $customer = Digest::SHA::sha256_hex(Packed(map { ($_, Value($v, $_)) } @order));
    my $cart = Digest::SHA::sha256_hex(Packed(map { "$_->{'pid'}|$_->{'iid'}|" . WebCode::QuantityText($_->{'qty'}) }
        @{ $o->{'lines'} }));
    return Digest::SHA::hmac_sha256_hex(Packed('Vendora payment 1', @$r{@SealFields}, Cents($t->{'total'}),
        $::Currency{'Master'}, $customer, $cart), $key);
}

# Compares two texts in a time that does not tell where they differ.
sub SameText {
    my ($x, $y) = @_;
    return 0 unless length $x == length $y;
    my $diff = 0;
    $diff |= ord(substr($x, $_, 1)) ^ ord(substr($y, $_, 1)) foreach 0 .. length($x) - 1;
    return $diff == 0;
}

# The sealed payment of this order, or undef. A seal is good for an hour
# from the payment and never for a time ahead of the server's clock.
sub TransferIn {
    my ($o, $t) = @_;
    my $v = $o->{'v'};
    my $sig = Value($v, 'transfer_sig');
    return unless length $sig;
    my %r = map { $_ => Value($v, "transfer_$_") } @SealFields;
    my $now = time;
    return unless $r{'time'} =~ /\A[0-9]{1,12}\z/ && $r{'time'} <= $now + $SealAhead && $now - $r{'time'} <= $SealLife;
    my $seal = TransferSeal($o, $t, \%r);
    return unless defined $seal && SameText(lc $sig, $seal);
    return \%r;
}

sub TransferOut {
    my ($o, $t) = @_;
    my $r = $o->{'olp'} or return '';
    my $seal = TransferSeal($o, $t, $r);
    return '' unless defined $seal;
    my $out = '';
    $out .= WebCode::Hidden("transfer_$_", $r->{$_}) foreach @SealFields;
    return $out . WebCode::Hidden('transfer_sig', $seal);
}

# Runs the card payment. Returns the result hash or (undef, page text).
sub Pay {
    my ($o, $t) = @_;
    my $v = $o->{'v'};
    require Payvane;
    my %d = %olpcnf::OLP_Data;
    my %settings = (
        'server' => $d{'server'}, 'port' => defined $d{'port'} ? $d{'port'} : 1713,
        'time' => defined $d{'time'} ? $d{'time'} : 40, 'user' => $d{'user'},
        'key_e' => $d{'key_e'}, 'key_n' => $d{'key_n'},
        'account' => ($::OLP_Type || 0) - 1, 'txtype' => $::OLP_Msg || 200,
    );
    my %card = (
        'number' => Value($v, 'olp_cardnumber'), 'owner' => Value($v, 'olp_cardname'),
        'month' => Value($v, 'olp_cardexpire1'), 'year' => Value($v, 'olp_cardexpire2'),
        'currency' => $::Currency{'Master'}, 'amount' => Cents($t->{'total'}),
        'check' => Value($v, 'olp_cardpin'),
    );
    my ($rc, $result) = Payvane::Pay(\%settings, \%card);
    if ($rc != 0) {
        print STDERR "Payvane exchange failed with code $rc\n";
        return (undef, "<B>$::pszOlpError</B><P>$::pszOlpError2");
    }
    my ($code, $processing) = @$result;
    if ($code ne '0') {
        my $why = Payvane::ProcessingText($::OLP_Language, $code, $processing);
        return (undef, "<B>$::pszOlpNo</B><P>$::pszOlpWhy " . Esc($why) . "<P>$::pszOlpNew");
    }
    my $time = time;
    my %r = ('result' => $code, 'code' => $processing, 'tref' => $result->[2], 'tnum' => $result->[3],
        'anum' => $result->[4], 'card' => MaskCard($card{'number'}), 'time' => $time);
    # The check string is shown on the receipt and passed on by the customer:
    # it holds no check digits, as when none were entered.
    $r{'check'} = Payvane::CheckString($settings{'txtype'}, { %card, 'check' => '' }, $result, $time);
    return \%r;
}

# ---------------------------------------------------------------- receipt

sub OrderTime {
    my ($time) = @_;
    return POSIX::strftime('%d.%m.%Y %H:%M:%S', localtime $time);
}

sub ReceiptBlock {
    my ($o, $t) = @_;
    my $v = $o->{'v'};
    my $face = Face();
    my $out = Product::CartTable($o->{'lines'}, 0) . TotalRows($o, $t) . "</TABLE></TD></TR></TABLE>\n";
    my $delivery = grep { length Value($v, "s_$_") } qw(name street city);
    my $address = sub { my $text = Esc(AddressText($v, $_[0])); $text =~ s/\n/<BR>/g; $text };
    $out .= "<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><TD VALIGN=TOP><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszStepFiveBillI</B><BR>"
        . $address->('b_') . "</FONT></TD><TD VALIGN=TOP><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszStepFiveShipI</B><BR>"
        . $address->($delivery ? 's_' : 'b_') . "</FONT></TD></TR></TABLE>\n";
    my $wrap = Value($v, 'gift_wrap');
    if (length $wrap || Value($v, 'gift_txt') =~ /\S/) {
        $out .= "<P><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszStepFiveGift</B><BR>";
        $out .= "$::pszStepFiveGiftP: " . Esc($wrap) . '<BR>' if length $wrap;
        $out .= "$::pszStepFiveGiftM: " . WebCode::EscLines($v->{'gift_txt'}) if Value($v, 'gift_txt') =~ /\S/;
        $out .= "</FONT>\n";
    }
    my $pay = Value($v, 'payment_typ');
    my $payText = Esc($pay);
    $payText .= ', ' . Esc($::CCName{ Value($v, 'payment_cardorganisation') } || '') . ' ' . MaskCard(Value($v, 'payment_cardnumber'))
        if defined $::Payment_CC && $pay eq $::Payment_CC;
    $out .= "<P><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszStepFiveShpT:</B> " . Esc(ShippingName(Value($v, 'versand')))
        . "<BR><B>$::pszStepFiveBillT:</B> $payText<BR><B>$::pszLastStepTime:</B> $o->{'time'}</FONT>\n";
    return $out;
}

# What the order was placed under, for the customer to keep.
sub ReceiptTerms {
    my $links = TermsLinks();
    return '' unless length $links;
    return '<P><FONT FACE="' . Face() . '" SIZE="-1">Ihre Bestellung gilt zu diesen Bedingungen: ' . $links . "</FONT></P>\n"
        . WebCode::Divider();
}

sub OlpBlock {
    my ($o, $t) = @_;
    my $r = $o->{'olp'} or return '';
    my $v = $o->{'v'};
    my $face = Face();
    my $row = sub {
        my ($label, $value, $html) = @_;
        return "<TR><TD><FONT FACE=\"$face\" SIZE=\"-1\">$label</FONT></TD><TD><FONT FACE=\"$face\" SIZE=\"-1\">"
            . ($html ? $value : Esc($value)) . "</FONT></TD></TR>\n";
    };
    return "<FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\"><H3>$::pszOlpName</H3></FONT>"
        . "<FONT FACE=\"$face\"><B>$::pszOlpYes</B></FONT>\n<TABLE BORDER=0 ALIGN=CENTER>\n"
        . $row->($::pszOlpTyp, $olpcnf::OLP_CardType{ Value($v, 'olp_cardorganisation') } || '')
        . $row->($::pszOlpOwner, Value($v, 'olp_cardname'))
        . $row->($::pszOlpNumber, $r->{'card'})
        . $row->($::pszOlpDate, sprintf('%02d/%02d', Value($v, 'olp_cardexpire1'), Value($v, 'olp_cardexpire2')))
        . $row->($::pszOlpAmount, WebCode::Price($t->{'total'}), 1)
        . $row->($::pszOlpTRef, $r->{'tref'}) . $row->($::pszOlpTNum, $r->{'tnum'}) . $row->($::pszOlpGNum, $r->{'anum'})
        . $row->($::pszOlpTime, OrderTime($r->{'time'}))
        . "</TABLE>\n<FONT FACE=\"$face\" SIZE=\"-1\">$::pszOlpInfo<P>$::pszOlpHexMsg<BR><TT>" . Esc($r->{'check'})
        . "</TT></FONT>\n" . WebCode::Divider();
}

sub ExitForm {
    return WebCode::FormStart('Catalog')
        . WebCode::Hidden('ActivPage', 'sf') . WebCode::TextButton('show_front', $::pszLastStepExit) . "</CENTER></FORM>\n";
}

# Step 5: pays, sends the order and shows the receipt.
sub Finish {
    my ($o) = @_;
    my $v = $o->{'v'};
    my $face = Face();
    my $t = Totals($o->{'lines'}, $v);
    $o->{'time'} = OrderTime(time);
    if (OlpChosen($v)) {
        my $r = TransferIn($o, $t);
        if (!$r) {
            my $failure;
            ($r, $failure) = Pay($o, $t);
            return ProblemPage($o, $::pszOlpName, $failure, 0, $t) unless $r;
        }
        $o->{'olp'} = $r;
    }
    my $via = Value($v, 'send_via');
    my $text = OrderText($o, $t, 0);
    my $out = PageStart($o, $::pszStepFiveThanks, 1);
    if ($via eq 'AO1' && ($::SubmitType || 0) != 0) {
        my $sales = WebCode::HtmlToText($::ShopSet{'EM_Sales'});
        my $customer = Value($v, 'b_email');
        my $subject = WebCode::HtmlToText($::ShopSet{'StoreName'}) . ' - Onlinebestellung';
        my ($rc, $detail) = SendMail('to' => $sales, 'from' => $sales, 'envelope' => $sales,
            'replyto' => length $customer ? $customer : $sales, 'subject' => $subject, 'body' => $text);
        if ($rc != 0) {
            my $host = ($::SubmitType || 0) == 2 ? $::SubmitOption : '';
            my $message = "<B>$::pszSMTPError</B><P>" . MailErrorText($rc, $detail, $host) . '<P>'
                . sprintf($::pszSMTPErrorHotLine, $::ShopSet{'Phone1'}, $::ShopSet{'EM_Info'})
                . "<P><TABLE BORDER=0 ALIGN=CENTER><TR><TD><PRE>" . Esc($text) . "</PRE></TD></TR></TABLE>";
            return ProblemPage($o, $::pszStepFiveOrder, $message, 1, $t);
        }
        # The customer's copy must not hold back the order when it fails.
        if (length $customer) {
            SendMail('to' => $customer, 'from' => $sales, 'envelope' => $sales, 'replyto' => $sales,
                'subject' => $subject, 'body' => OrderText($o, $t, 1));
        }
    }
    $out .= "<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"$face\">" . Heading($::pszStepFiveThanks)
        . "$::ShopSet{'Thanks'}</FONT></TD></TR></TABLE>\n" . WebCode::Divider() . OlpBlock($o, $t);
    if ($via eq 'AO2' || $via eq 'AO3') {
        my $target = $via eq 'AO2'
            ? WebCode::AddressBlock()
            : join('<BR>', grep { length } $::ShopSet{'Fax1'}, $::ShopSet{'Fax2'});
        $out .= "<FONT FACE=\"$face\"><B>" . ($via eq 'AO2' ? $::pszSendViaPost : $::pszSendViaFax) . "</B><P>$target</FONT>\n"
            . WebCode::Divider();
    }
    $out .= "<FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\"><H3>$::pszStepFiveOrder</H3></FONT>\n" . ReceiptBlock($o, $t)
        . WebCode::Divider() . ReceiptTerms() . "</CENTER></FORM>\n";
    if ($via eq 'AO1' && ($::SubmitType || 0) == 0) {
        $out .= "<FONT FACE=\"$face\">$::pszMailToInf1 &quot;$::pszSendYOrder&quot; $::pszMailToInf2</FONT>\n"
            . "<FORM ACTION=\"mailto:$::ShopSet{'EM_Sales'}\" METHOD=POST ENCTYPE=\"text/plain\"><CENTER>\n"
            . '<TEXTAREA NAME="Bestellung" ROWS=12 COLS=76 READONLY>' . Esc($text) . "</TEXTAREA><BR>\n"
            . "<INPUT TYPE=SUBMIT VALUE=\"$::pszSendYOrder\"></CENTER></FORM>\n" . WebCode::Divider();
    }
    return $out . ExitForm() . "<CENTER>" . PageEnd();
}

# A page that explains why the order could not go on. With $retry its button
# sends the order again (a payment that took place is carried along, sealed);
# otherwise it returns to the card entry.
sub ProblemPage {
    my ($o, $title, $message, $retry, $t) = @_;
    my $face = Face();
    my $v = $o->{'v'};
    my $at = $retry ? PrevStep(5, $v) : 5;
    my $button = $retry
        ? WebCode::TextButton('show_next', $::pszSendYOrder)
        : WebCode::TextButton('show_back', $::pszStepOfStep);
    return PageStart($o, $title)
        . "<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"$face\">" . Heading($title)
        . "$message</FONT></TD></TR></TABLE>\n" . WebCode::Divider()
        . CarryFields($o, -1) . Position($v, $at) . ($retry ? TransferOut($o, $t) : '')
        . "<TABLE BORDER=0 ALIGN=CENTER><TR><TD>$button</FORM></TD><TD>" . CancelForm($o) . "</TD></TR></TABLE>\n"
        . PageEnd();
}

# ---------------------------------------------------------------- dispatch

sub Page {
    my ($step, $o, $errors) = @_;
    return CustomerPage($o, $errors) if $step == 0;
    return GiftPage($o, $errors) if $step == 1;
    return PaymentPage($o, $errors) if $step == 2;
    return SummaryPage($o, $errors) if $step == 3;
    return OlpPage($o, $errors) if $step == 4;
    return Finish($o);
}

# Shows $target after checking every step before it (and $check, the step
# just left); a step that fails is shown again with its messages.
sub Show {
    my ($o, $target, $check) = @_;
    my $v = $o->{'v'};
    my $last = defined $check && $check > $target - 1 ? $check : $target - 1;
    for (my $s = 0; $s <= $last && $s <= 4; $s++) {
        next if $s == 1 && !GiftStep();
        next if $s == 4 && !OlpChosen($v);
        # A sealed payment stands for the card step: the card data no longer
        # travel once paid. Steps 0 to 3 have passed, so the totals hold.
        next if $s == 4 && TransferIn($o, Totals($o->{'lines'}, $v));
        my ($errors, $bad) = CheckFields($s, $v);
        if (@$errors) {
            %Invalid = %$bad;
            return Page($s, $o, $errors);
        }
    }
    %Invalid = ();
    return Page($target, $o, []);
}

1;
