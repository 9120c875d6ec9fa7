# Vendora shop module WebCode: request parameters, page head and foot, shared HTML pieces
# Version 1.23
#
# The shop settings are package variables of main, loaded from config.cnf,
# language.cnf and color.cnf before any of these routines runs.

package WebCode;    ## no critic (RequireFilenameMatchesPackage) - the shop names its files in lower case

use strict;
use warnings;
no warnings 'once';

# A form of this shop never comes near this size; anything larger is refused
# before it is read.
our $MaxBody = 65536;
our $MaxParams = 2000;
our $MaxQuantity = 9999;
our $MaxCartLines = 200;

my $Cgi;    # set by Init: the catalogue and order script addresses

sub Init {
    $Cgi = {
        'Catalog' => $::Basis{'CGI'} . $::CgiName{'Catalog'},
        'Order'   => $::Basis{'CGI'} . $::CgiName{'Order'},
    };
    return;
}

sub ScriptUrl {
    my ($which) = @_;
    Init() unless $Cgi;
    return $Cgi->{$which};
}

# ---------------------------------------------------------------- parameters

sub UrlDecode {
    my ($text) = @_;
    $text =~ tr/+/ /;
    $text =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/eg;
    $text =~ tr/\0//d;
    return $text;
}

# Splits an url-encoded text into the params hash (first value of a name wins)
# and the list of names in their order. Returns an error text or undef.
sub ParseQuery {
    my ($text, $params, $names) = @_;
    return unless defined $text && length $text;
    foreach my $pair (split /[&;]/, $text) {
        next unless length $pair;
        my ($name, $value) = split /=/, $pair, 2;
        $name = UrlDecode($name);
        $value = defined $value ? UrlDecode($value) : '';
        next if exists $params->{$name};
        return 'count' if @$names >= $MaxParams;
        $params->{$name} = $value;
        push @$names, $name;
    }
    return;
}

# Reads the request: the query string (unless $postOnly) and an url-encoded
# POST body. Returns (\%params, \@names, $error) with $error one of 'size',
# 'type', 'count', 'read' or undef.
sub ReadParams {
    my ($postOnly) = @_;
    my (%params, @names);
    my $method = uc($ENV{'REQUEST_METHOD'} || 'GET');
    if (!$postOnly) {
        my $err = ParseQuery($ENV{'QUERY_STRING'}, \%params, \@names);
        return (\%params, \@names, $err) if $err;
    }
    if ($method eq 'POST') {
        my $type = $ENV{'CONTENT_TYPE'} || 'application/x-www-form-urlencoded';
        return (\%params, \@names, 'type')
            unless $type =~ m{^application/x-www-form-urlencoded\b}i;
        my $length = $ENV{'CONTENT_LENGTH'};
        $length = 0 unless defined $length && $length =~ /^\d{1,12}$/;
        return (\%params, \@names, 'size') if $length > $MaxBody;
        my $body = '';
        binmode STDIN;
        while (length($body) < $length) {
            my $got = read(STDIN, $body, $length - length($body), length($body));
            return (\%params, \@names, 'read') unless defined $got;
            last if $got == 0;
        }
        my $err = ParseQuery($body, \%params, \@names);
        return (\%params, \@names, $err) if $err;
    }
    return (\%params, \@names, undef);
}

# The page of a request that is refused before anything is shown.
sub RefusePage {
    my ($message, $status) = @_;
    return MessagePage('status' => $status || '400 Bad Request', 'title' => 'Ung&uuml;ltige Anfrage',
        'message' => $message);
}

# The page of a request that ReadParams could not read.
sub RequestErrorPage {
    my ($err) = @_;
    return RefusePage('Die Anfrage ist zu gro&szlig; und wurde abgewiesen.', '413 Request Entity Too Large')
        if $err eq 'size';
    return RefusePage('Die Anfrage enth&auml;lt zu viele Felder und wurde abgewiesen.') if $err eq 'count';
    return RefusePage('Die Anfrage hat ein unbekanntes Format und wurde abgewiesen.');
}

# Finds the first parameter whose name contains $word.
sub FindParam {
    my ($names, $word) = @_;
    foreach my $name (@$names) {
        return $name if index($name, $word) >= 0;
    }
    return;
}

# IDs are the shop database's counters, 1 and up, and the data files write
# them without leading zeros. Only that one spelling is taken from a request:
# "010" would find the record of 10 in the offset index and then fail the
# check of its line. Page numbers count from 0.
my $Id = qr/[1-9][0-9]{0,8}/;
my $PageNo = qr/(?:0|[1-9][0-9]{0,5})/;

# The ID of a button name such as "categorypage_12.x": the part after the
# keyword, cut at the first ".", with an optional page number after "_".
# Returns (ID, page) or the empty list.
sub ButtonId {
    my ($name, $word) = @_;
    my $at = index($name, $word);
    return if $at < 0;
    my $rest = substr($name, $at + length $word);
    $rest =~ s/\..*//s;
    return unless $rest =~ /\A($Id)(?:_($PageNo))?\z/;
    return ($1, $2);
}

sub IsId {
    my ($value) = @_;
    return defined $value && $value =~ /\A$Id\z/;
}

# The "add_PRODUCT|ITEM" boxes of a product: (product, item) or the empty list.
sub AddId {
    my ($name) = @_;
    return unless $name =~ /\Aadd_($Id)\|($Id)\z/;
    return ($1, $2);
}

# Blanks off both ends. Two anchored substitutions: the single pattern
# "^\s+|\s+$" with /g tries every blank of a long run as a start and takes
# seconds on a large body of blanks.
sub Trim {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/\A\s+//;
    $text =~ s/\s+\z//;
    return $text;
}

# A quantity as the customer typed it: digits with an optional decimal comma
# or point. Returns the number, or undef for anything else.
sub ParseQuantity {
    my ($text) = @_;
    return unless defined $text;
    my $q = Trim($text);
    return unless $q =~ /\A\d{1,6}(?:[.,]\d{1,3})?\z/;
    $q =~ tr/,/./;
    $q += 0;
    return if $q > $MaxQuantity;
    return $q;
}

# The cart from the "ov_PRODUCT|ITEM" fields. Returns (\@lines, \@errors);
# each line is { pid, iid, qty }, each error { key, value } of a field that
# was refused. Quantities of 0 drop the line.
sub ReadCart {
    my ($params, $names) = @_;
    my (@lines, @errors, %seen);
    foreach my $name (@$names) {
        next unless substr($name, 0, 3) eq 'ov_';
        my $key = substr($name, 3);
        my $value = $params->{$name};
        if ($key !~ /\A($Id)\|($Id)\z/) {
            push @errors, { 'key' => $key, 'value' => $value };
            next;
        }
        my ($pid, $iid) = ($1, $2);
        next if $seen{$key}++;
        my $qty = ParseQuantity($value);
        if (!defined $qty) {
            push @errors, { 'key' => $key, 'pid' => $pid, 'iid' => $iid, 'value' => $value };
            next;
        }
        next unless $qty > 0;
        if (@lines >= $MaxCartLines) {
            push @errors, { 'key' => $key, 'pid' => $pid, 'iid' => $iid, 'value' => $value, 'full' => 1 };
            next;
        }
        push @lines, { 'pid' => $pid, 'iid' => $iid, 'qty' => $qty };
    }
    return (\@lines, \@errors);
}

# Why a typed quantity was not taken; $what says what became of it.
sub QuantityRefusal {
    my ($value, $what) = @_;
    return 'Die Anzahl &quot;' . Esc($value) . "&quot; $what: Bitte geben Sie eine Zahl von 0 bis $MaxQuantity"
        . ' ein (Nachkommastellen mit Komma).';
}

sub ItemGoneText {
    return 'Ein Artikel ist nicht mehr im Angebot und wurde aus dem Warenkorb entfernt.';
}

sub QuantityText {
    my ($qty) = @_;
    my $t = sprintf('%.3f', $qty);
    $t =~ s/\.?0+$//;
    $t =~ tr/./,/;
    return $t;
}

# ---------------------------------------------------------------- page codes

# "LastPage", "ActivPage" and "ReturnPage" are taken from a request here
# only, by both scripts, so that the two cannot come to disagree about them.
# The catalogue names its pages by code: the pages below, the legal pages
# and the record pages "cp_ID" and "lp_ID" (each with an optional page
# number) and "dp_ID". The order script numbers its steps in "ActivPage".

# The pages a German shop must show on every page: button name, page code
# and link text of each.
our @LegalPages = (
    [ 'show_imprint',    'im',  'Impressum' ],
    [ 'show_privacy',    'ds',  'Datenschutz' ],
    [ 'show_agb',        'agb', 'AGB' ],
    [ 'show_withdrawal', 'wr',  'Widerrufsbelehrung' ],
    [ 'show_shipping',   'vk',  'Versandkosten' ],
);

my %FixedPage = map { $_ => 1 } qw(sf wk sp ip sh), map { $_->[1] } @LegalPages;
my $LastStep = 5;

# A catalogue page code; anything else is the storefront.
sub PageCode {
    my ($code) = @_;
    return 'sf' unless defined $code;
    return $code if $FixedPage{$code};
    return $code if $code =~ /\A(?:cp|lp|dp)_$Id(?:_$PageNo)?\z/;
    return 'sf';
}

# A page code taken apart: the page ("cp", "wk", "im" ...) and, for the
# record pages, the ID and the page number.
sub PageParts {
    my ($code) = @_;
    $code = PageCode($code);
    return ($1, $2, $3) if $code =~ /\A(cp|lp|dp)_($Id)(?:_($PageNo))?\z/;
    return ($code);
}

# The order step in "ActivPage", or undef: the cart sends "wk" there.
sub OrderStep {
    my ($value) = @_;
    return defined $value && $value =~ /^([0-$LastStep])$/ ? $1 : undef;
}

# The hidden fields that take a catalogue page's codes and the cart along to
# the next catalogue request.
sub CatalogState {
    my ($last, $activ, $lines) = @_;
    return Hidden('LastPage', $last) . Hidden('ActivPage', $activ) . ($lines ? CartHidden($lines) : '');
}

# ---------------------------------------------------------------- text

sub Esc {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/&/&amp;/g;
    $text =~ s/</&lt;/g;
    $text =~ s/>/&gt;/g;
    $text =~ s/"/&quot;/g;
    $text =~ s/'/&#39;/g;
    $text =~ s/([\x00-\x08\x0B\x0C\x0E-\x1F\x7F])//g;
    return $text;
}

# Customer text for a page: escaped, line breaks kept as <BR>.
sub EscLines {
    my ($text) = @_;
    $text = Esc($text);
    $text =~ s/\r\n?|\n/<BR>/g;
    return $text;
}

my %Entity = (
    'amp' => '&', 'lt' => '<', 'gt' => '>', 'quot' => '"', 'nbsp' => ' ',
    'brvbar' => '|', 'copy' => "\xA9", 'szlig' => "\xDF",
    'auml' => "\xE4", 'ouml' => "\xF6", 'uuml' => "\xFC",
    'Auml' => "\xC4", 'Ouml' => "\xD6", 'Uuml' => "\xDC", 'euro' => "\x80",
);

# Shop texts are HTML; mail and mail heads need them as plain text.
sub HtmlToText {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/<BR\s*\/?>/\n/gi;
    $text =~ s/<[^>]*>//g;
    $text =~ s/&#(\d{1,3});/$1 == 13 ? ' ' : ($1 < 256 ? chr($1) : '?')/ge;
    $text =~ s/&([A-Za-z]+);/exists $Entity{$1} ? $Entity{$1} : "&$1;"/ge;
    return $text;
}

# Money is rounded half up to the cent; the small bias keeps 2.675 (stored
# as 2.67499..) from rounding down.
sub Round2 {
    my ($value) = @_;
    my $sign = $value < 0 ? -1 : 1;
    return $sign * int(abs($value) * 100 + 0.5 + 1e-6) / 100;
}

sub Money {
    my ($value) = @_;
    return sprintf('%.2f', $value);
}

# Numbers on the pages. With $UseDecComma (German shops) a decimal comma and
# a dot between thousands; otherwise the point, as the data files keep it.
sub Number {
    my ($value, $decimals) = @_;
    my $text = sprintf('%.*f', $decimals, $value);
    $text =~ s/\A-(?=0(?:\.0*)?\z)//;
    return $text unless $::UseDecComma;
    my ($sign, $int, $frac) = $text =~ /\A(-?)(\d+)(?:\.(\d+))?\z/;
    return $text unless defined $int;
    1 while $int =~ s/\A(\d+)(\d{3})/$1.$2/;
    return $sign . $int . (defined $frac ? ",$frac" : '');
}

# A number without the zeros a reader does not need: "1,5", "20".
sub ShortNumber {
    my ($value) = @_;
    my $text = Number($value, 3);
    $text =~ s/0+\z//;
    $text =~ s/[.,]\z//;
    return $text;
}

# An amount with its currency: "EUR 4.95" as the shop always wrote it, or
# "4,95 &euro;" with the symbol after the amount for German readers.
sub Price {
    my ($value, $currency) = @_;
    $currency = $::Currency{'Master'} unless defined $currency;
    $currency = '' unless defined $currency;
    return "$currency " . Money($value) unless $::UseDecComma;
    my $symbol = $currency =~ /\A(?:EUR|&euro;|&#8364;)\z/i ? '&euro;' : $currency;
    return Number($value, 2) . (length $symbol ? "&nbsp;$symbol" : '');
}

# A tax rate: "19.00%" as always, or "19&nbsp;%" with the decimal comma.
sub Rate {
    my ($rate) = @_;
    return sprintf('%.2f%%', $rate) unless $::UseDecComma;
    return ShortNumber(sprintf('%.2f', $rate)) . '&nbsp;%';
}

# The shop's minimum order value in its own language text, whose format
# puts the currency before the amount.
sub MinOrderText {
    my $format = $::pszSoldMin;
    return sprintf($format, $::Currency{'Master'}, $::SoldMin)
        unless $::UseDecComma && $format =~ s/%s %0?\.2f/%s/;
    return sprintf($format, Price($::SoldMin));
}

# Below the minimum order value the cart offers no order and the order
# script takes none.
sub BelowMinimum {
    my ($goods) = @_;
    return $goods < $::SoldMin;
}

# What the customer reads beside a price: whether tax is in it and that
# shipping comes on top. $Taxes 2: prices hold the tax of each product's
# rate; 1: a regional tax is added at the end; 0: the shop charges none.
sub TaxNote {
    my $taxes = $::Taxes || 0;
    return 'inkl. MwSt.' if $taxes == 2;
    return 'zzgl. MwSt.' if $taxes == 1;
    return '';
}

# "break/charge" pairs of a shipping method, as %aShipping holds them.
sub ShippingPairs {
    my ($text) = @_;
    my @pairs;
    foreach my $pair (split /,/, defined $text ? $text : '') {
        my ($break, $charge) = split m{/}, $pair, 2;
        next unless defined $charge && $break =~ /^-?[\d.]+$/ && $charge =~ /^-?[\d.]+$/;
        push @pairs, [ $break + 0, $charge + 0 ];
    }
    return @pairs;
}

# A shipping method's name: its key without the number that orders the
# methods.
sub ShippingName {
    my ($key) = @_;
    (my $name = $key) =~ s/^\d+_//;
    return $name;
}

# ---------------------------------------------------------------- colours

# Relative luminance of "#RRGGBB" or "#RGB"; undef for anything else.
sub Luminance {
    my ($colour) = @_;
    return unless defined $colour;
    $colour =~ s/\A#?([0-9A-Fa-f])([0-9A-Fa-f])([0-9A-Fa-f])\z/#$1$1$2$2$3$3/;
    return unless $colour =~ /\A#?([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})\z/;
    my @c = map {
        my $s = hex($_) / 255;
        $s <= 0.03928 ? $s / 12.92 : (($s + 0.055) / 1.055)**2.4
    } ($1, $2, $3);
    return 0.2126 * $c[0] + 0.7152 * $c[1] + 0.0722 * $c[2];
}

sub ContrastRatio {
    my ($x, $y) = @_;
    my ($lx, $ly) = (Luminance($x), Luminance($y));
    return unless defined $lx && defined $ly;
    ($lx, $ly) = ($ly, $lx) if $ly > $lx;
    return ($lx + 0.05) / ($ly + 0.05);
}

# The first colour that is readable on $bg (4.5 : 1), else black or white,
# whichever is more readable. A background we cannot read counts as white.
sub ReadableColour {
    my ($bg, @candidates) = @_;
    $bg = '#FFFFFF' unless defined Luminance($bg);
    foreach my $colour (@candidates) {
        my $ratio = ContrastRatio($colour, $bg);
        return $colour if defined $ratio && $ratio >= 4.5;
    }
    return ContrastRatio('#000000', $bg) >= ContrastRatio('#FFFFFF', $bg) ? '#000000' : '#FFFFFF';
}

sub Background {
    my $bg = $::graphicSet{'CoBg'};
    return defined Luminance($bg) ? $bg : '#FFFFFF';
}

sub HeadColour { return defined $::graphicSet{'CoHTxt'} ? $::graphicSet{'CoHTxt'} : '' }

sub AlertColour { return ReadableColour(Background(), '#CC0000', '#A00000', $::graphicSet{'CoHTxt'}) }
sub LinkColour  { return ReadableColour(Background(), $::graphicSet{'CoNLnk'}, $::graphicSet{'CoNTxt'}) }

# ---------------------------------------------------------------- page pieces

sub Header {
    my (%opt) = @_;
    my $out = '';
    $out .= "Status: $opt{'status'}\r\n" if $opt{'status'};
    $out .= "Content-Type: text/html; charset=iso-8859-1\r\n";
    # Order pages carry the customer's data: no cache may keep them.
    $out .= "Cache-Control: no-store\r\nPragma: no-cache\r\n" if $opt{'private'};
    return $out . "\r\n";
}

# ALT and picture attributes of an ImageRef "file/width/height" in $base.
sub ImageAttributes {
    my ($base, $ref) = @_;
    return '' unless defined $ref && index($ref, '/') >= 0;
    my ($file, $width, $height) = split m{/}, $ref, 3;
    return '' unless length $file;
    my $out = 'SRC="' . $base . $file . '"';
    $out .= " WIDTH=$width" if defined $width && length $width;
    $out .= " HEIGHT=$height" if defined $height && length $height;
    return $out . ' BORDER=0';
}

# A picture button smaller than a fingertip (44 x 44) gets the missing room
# as padding, which takes taps as well; the picture itself stays as drawn.
sub TapPadding {
    my ($ref) = @_;
    my (undef, $width, $height) = split m{/}, (defined $ref ? $ref : ''), 3;
    my ($y, $x) = map { (defined $_ && /\A\d+\z/ && $_ < 44) ? int((44 - $_ + 1) / 2) : 0 } $height, $width;
    return '' unless $x || $y;
    return " STYLE=\"padding:${y}px ${x}px\"";
}

sub GraphicRef {
    my ($key) = @_;
    my $ref = $::graphicSet{$key};
    return (defined $ref && length $ref) ? $ref : '';
}

# An image button from the graphic set, or a text button in text-only shops
# and where the set has no such picture.
sub Button {
    my ($name, $imageKey, $text, $extra) = @_;
    $extra = defined $extra ? " $extra" : '';
    my $ref = $imageKey ? GraphicRef($imageKey) : '';
    my $nameAttr = defined $name ? " NAME=\"$name\"" : '';
    if (length $ref) {
        my $attr = ImageAttributes($::Basis{'Imgs'}, $ref);
        return "<INPUT$nameAttr TYPE=IMAGE $attr ALT=\"$text\"" . TapPadding($ref) . "$extra>" if length $attr;
    }
    return "<INPUT$nameAttr TYPE=SUBMIT VALUE=\"$text\"$extra>";
}

sub TextButton {
    my ($name, $text) = @_;
    return "<INPUT TYPE=SUBMIT NAME=\"$name\" VALUE=\"$text\">";
}

sub Hidden {
    my ($name, $value) = @_;
    return '<INPUT TYPE=HIDDEN NAME="' . Esc($name) . '" VALUE="' . Esc($value) . "\">\n";
}

sub CartHidden {
    my ($lines) = @_;
    my $out = '';
    foreach my $line (@$lines) {
        $out .= Hidden("ov_$line->{'pid'}|$line->{'iid'}", QuantityText($line->{'qty'}));
    }
    return $out;
}

sub Face {
    return defined $::FontFace ? $::FontFace : '';
}

# A tick box (or radio button) inside its label, which gives it a
# fingertip's room; $text names it, visibly or for screen readers only.
sub Tick {
    my (%a) = @_;
    my $type = $a{'type'} || 'CHECKBOX';
    my $attr = "TYPE=$type NAME=\"$a{'name'}\" VALUE=\"" . Esc($a{'value'}) . '"';
    $attr .= " ID=\"$a{'id'}\"" if defined $a{'id'};
    $attr .= ' CHECKED' if $a{'checked'};
    $attr .= " $a{'extra'}" if defined $a{'extra'};
    my $text = defined $a{'text'} ? $a{'text'} : '';
    $text = "<SPAN CLASS=\"vh\">$text</SPAN>" if $a{'hidden'};
    return "<LABEL CLASS=\"tick\"><INPUT $attr>$text</LABEL>";
}

# The one style sheet of the shop's pages. Wide screens see the pages as
# their HTML lays them out; below 600 pixels the fixed-width tables give way
# to blocks and each item of a product becomes a card, so that nothing needs
# a sideways scroll. Colours come from the graphic set, checked for contrast
# against its background.
sub StyleSheet {
    my $bg = Background();
    my $link = LinkColour();
    my $alert = AlertColour();
    my $head = ReadableColour($bg, $::graphicSet{'CoHTxt'}, $::graphicSet{'CoNTxt'});
    (my $face = Face()) =~ s/[^\w ,-]//g;
    my $font = length $face ? " font-family:$face;" : '';
    my $cells = 'table:not(.keep), table:not(.keep) > tbody, table:not(.keep) > tbody > tr, table:not(.keep) > tbody > tr > td';
    my $items = 'table.items > tbody > tr';
    return "<STYLE TYPE=\"text/css\"><!--\n"
        . ".vh { position:absolute; width:1px; height:1px; overflow:hidden; clip:rect(0 0 0 0); white-space:nowrap; }\n"
        . "label.tick { display:inline-flex; align-items:center; justify-content:center; min-width:44px; min-height:44px; cursor:pointer; text-align:left; }\n"
        . "label.tick input { flex:none; width:22px; height:22px; margin:0 4px; }\n"
        . "input[type=submit], input[type=reset], button { min-height:44px; min-width:44px; }\n"
        . "input.link { background:none; border:0; padding:0 6px; color:$link; text-decoration:underline; cursor:pointer; font:inherit; vertical-align:middle; }\n"
        . (length $font ? ".legal, .note, .err, .legal-text, table.items, label.tick {$font }\n" : '')
        . ".legal { margin:8px 0; }\n"
        . ".legal a, .legal input.link, .foot a { display:inline-flex; align-items:center; justify-content:center; min-height:44px; min-width:44px; padding:0 6px; box-sizing:border-box; }\n"
        . ".note { font-size:smaller; }\n"
        . ".err { display:block; color:$alert; font-weight:bold; font-size:smaller; }\n"
        . "[aria-invalid=true] { border:2px solid $alert; }\n"
        . ":focus-visible { outline:3px solid $link; outline-offset:2px; }\n"
        . ".legal-text { text-align:left; }\n"
        . "\@media (max-width: 599px) {\n"
        . " body { margin:8px; }\n"
        . " $cells { display:block; width:auto !important; box-sizing:border-box; }\n"
        . " table.keep { width:100% !important; }\n"
        . " table.keep td { word-wrap:break-word; }\n"
        . " td[width] { width:auto !important; }\n"
        . " img, input[type=image] { max-width:100%; height:auto; box-sizing:content-box; }\n"
        . " img[align] { float:none; display:block; margin:0 auto 8px; }\n"
        . " hr { width:100% !important; }\n"
        . " table.nav > tbody > tr > td { display:inline-block; }\n"
        . " table.items { margin:4px 0; }\n"
        . " $items.ihead { display:none; }\n"
        . " $items.item { display:flex; flex-direction:column; margin:0 0 8px; padding:4px 10px; border:1px solid $link; border-radius:6px; background:$bg; }\n"
        . " $items.item > td { display:flex; justify-content:space-between; align-items:center; gap:12px; padding:3px 0; text-align:right; }\n"
        . " $items.item > td::before { content:attr(data-label); font-weight:bold; text-align:left; color:$head; }\n"
        . " $items.item > td.pick { order:9; justify-content:flex-start; }\n"
        . " $items.item > td.pick::before { content:none; }\n"
        . " td.pick .vh { position:static; width:auto; height:auto; overflow:visible; clip:auto; white-space:normal; }\n"
        . " input[type=text], input[type=email], input[type=tel], select, textarea { max-width:100%; box-sizing:border-box; font-size:16px; min-height:44px; }\n"
        . " table.fields input[type=text], table.fields input[type=email], table.fields input[type=tel], table.fields select, textarea { width:100%; }\n"
        . " table.fields input.zip { width:8em; }\n"
        . "}\n--></STYLE>\n";
}

sub PageHead {
    my (%opt) = @_;
    my $title = $::ShopSet{'StoreName'};
    $title .= " - $opt{'title'}" if defined $opt{'title'} && length $opt{'title'};
    my $out = '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 3.2 Final//EN"><HTML LANG="de"><HEAD>'
        . '<META NAME="Generator" CONTENT="' . Esc(HtmlToText($::pszMetaCopyRight || 'Vendora')) . '">'
        . '<META HTTP-EQUIV="content-type" CONTENT="text/html; charset=iso-8859-1">' . "\n"
        . '<META NAME="viewport" CONTENT="width=device-width, initial-scale=1">' . "\n"
        . StyleSheet();
    $out .= '<META NAME="Version Info" CONTENT="' . Esc($::pszMetaVersionInfo) . "\">\n"
        if defined $::pszMetaVersionInfo;
    $out .= "<TITLE>$title</TITLE>\n";
    if (!$opt{'noscript'}) {
        $out .= '<SCRIPT TYPE="text/javascript" LANGUAGE="javascript"><!--' . "\r\n"
            . "function Tolm_AGB() { window.open('" . ScriptUrl('Catalog') . "?show_window_agb.x=0',"
            . "'Tolm_Window','width=400,height=400,resizable=yes,scrollbars=yes'); }\r\n"
            . '// --></SCRIPT>';
    }
    $out .= "</HEAD>\n" . BodyTag();
    return $out;
}

sub BodyTag {
    my $out = '<BODY ';
    my $bg = GraphicRef('ImgBg');
    $out .= "BACKGROUND=\"$::Basis{'Imgs'}$bg\" " if length $bg;
    $out .= sprintf('BGCOLOR="%s" TEXT="%s" LINK="%s" ALINK="%s" VLINK="%s">',
        map { defined $_ ? $_ : '' } @::graphicSet{qw(CoBg CoNTxt CoNLnk CoALnk CoVLnk)});
    return "$out\n";
}

sub PageFoot {
    return "</BODY></HTML>\n";
}

sub FormStart {
    my ($which, $extra) = @_;
    return '<FORM ACTION="' . ScriptUrl($which) . '" METHOD=POST' . (defined $extra ? " $extra" : '') . "><CENTER>\n";
}

sub FormEnd {
    return "</CENTER></FORM>\n";
}

sub MenuBar {
    my ($showBack, $showFront, $showOrder) = @_;
    my @cells;
    push @cells, ['show_back', 'MeBuBack', $::pszBackButton] if $showBack;
    push @cells, ['show_wk', 'MeBuCart', $::pszWKButton];
    push @cells, ['show_search', 'MeBuSearch', $::pszSearchButton];
    push @cells, ['show_index', 'MeBuIdx', $::pszIndexButton] if $::IsIndex;
    push @cells, ['show_front', 'MeBuFront', $::pszFrontButton] if $showFront;
    push @cells, ['show_wk', 'MeBuOrder', $::pszOrderButton] if $showOrder;
    push @cells, ['show_home', 'MeBuHome', $::pszHomeButton] if $::ExternOnTop;
    my $out = '<DIV ROLE="navigation" ARIA-LABEL="Navigation"><TABLE CLASS="nav" BORDER=0 CELLPADDING=0 CELLSPACING=4><TR>';
    foreach my $cell (@cells) {
        $out .= '<TD VALIGN=MIDDLE ALIGN=CENTER>' . Button(@$cell) . '</TD>';
    }
    return $out . "</TR></TABLE></DIV>\n";
}

sub TopMenu {
    my ($storefront, @flags) = @_;
    my $on = $storefront ? $::TopMenuOnSF : $::TopMenu;
    return $on ? MenuBar(@flags) . Divider() : '';
}

sub BottomMenu {
    my (@flags) = @_;
    return $::BottomMenu ? MenuBar(@flags) : '';
}

sub Divider {
    my $ref = GraphicRef('ImgDiv');
    if (length $ref) {
        my $attr = ImageAttributes($::Basis{'Imgs'}, $ref);
        return "<P><IMG $attr ALT=\"\"></P>\n" if length $attr;
    }
    return "<P><HR WIDTH=620 ALIGN=CENTER></P>\n";
}

sub Footer {
    my $face = Face();
    return "<DIV CLASS=\"foot\">"
        . "<FONT SIZE=\"-1\" FACE=\"$face\"><I><A HREF=\"mailto:$::ShopSet{'EM_Info'}\">$::pszGeneralQuestion</A></I></FONT><BR>\n"
        . "<FONT SIZE=\"-1\" FACE=\"$face\"><I><A HREF=\"mailto:$::ShopSet{'EM_Support'}\">$::pszGeneralSupport</A></I></FONT><BR>\n"
        . "</DIV>\n";
}

# The address of a catalogue page for a link from outside the catalogue
# form (order steps, receipt, entry page, mail).
sub PageUrl {
    my ($button) = @_;
    return ScriptUrl('Catalog') . "?$button=1";
}

# Inside the catalogue form the legal pages are buttons of that form, so
# that the cart and the way back travel along. Elsewhere (order steps,
# receipt) they are links that open beside the page, which keeps the data
# typed in so far.
sub LegalFooter {
    my ($inForm) = @_;
    my @entries = map {
        $inForm
            ? "<INPUT TYPE=SUBMIT NAME=\"$_->[0]\" VALUE=\"$_->[2]\" CLASS=\"link\">"
            : '<A HREF="' . PageUrl($_->[0]) . "\" TARGET=\"_blank\">$_->[2]</A>"
    } @LegalPages;
    return "<DIV CLASS=\"legal\" ROLE=\"navigation\" ARIA-LABEL=\"Rechtliches\">" . join(' ', @entries) . "</DIV>\n";
}

# "inkl. MwSt., zzgl. Versandkosten" with the way to the shipping page.
sub PriceNote {
    my ($inForm, $prefix) = @_;
    my $tax = TaxNote();
    my $link = $inForm
        ? '<INPUT TYPE=SUBMIT NAME="show_shipping" VALUE="Versandkosten" CLASS="link">'
        : '<A HREF="' . PageUrl('show_shipping') . '" TARGET="_blank">Versandkosten</A>';
    return '<SPAN CLASS="note">' . (defined $prefix ? "$prefix " : '') . (length $tax ? "$tax, " : '') . "zzgl. $link</SPAN>";
}

sub CreditLine {
    my $face = Face();
    return "<FONT FACE=\"$face\" SIZE=\"-2\"><BR>" . (defined $::pszFootCopyRight ? $::pszFootCopyRight : '') . "</FONT>\n";
}

sub Logo {
    my ($storefront) = @_;
    my $ref = $::ShopSet{'Logo'};
    return '' unless defined $ref && length $ref;
    return '' unless $storefront || $::StoreLogo;
    my $attr = ImageAttributes($::Basis{'Imgs'}, $ref);
    return length $attr ? "<IMG $attr ALT=\"$::ShopSet{'StoreName'}\"><P>\n" : '';
}

sub AddressBlock {
    my $s = \%::ShopSet;
    my $out = "<B>$s->{'StoreName'}</B><BR>";
    $out .= "$s->{'Address'}<BR>" if length $s->{'Address'};
    $out .= "$s->{'Zip'}&nbsp;$s->{'City'}<BR>";
    $out .= "$s->{'Country'}<BR>" if length $s->{'Country'};
    return $out;
}

sub Heading {
    my ($text) = @_;
    return '<FONT COLOR="' . HeadColour() . "\"><H3>$text</H3></FONT>";
}

# The error texts above a form, read out as soon as the page shows.
sub Alerts {
    my ($notes) = @_;
    return '' unless $notes && @$notes;
    my $face = Face();
    my $colour = AlertColour();
    return "<DIV ROLE=\"alert\">"
        . join('', map { "<FONT FACE=\"$face\" COLOR=\"$colour\"><B>$_</B></FONT><BR>\n" } @$notes) . "</DIV>\n";
}

# A complete page that only says what went wrong; the back button returns to
# the shop with the cart that came with the request.
sub MessagePage {
    my (%opt) = @_;
    my $face = Face();
    my $out = Header('status' => $opt{'status'}, 'private' => 1)
        . PageHead('title' => $opt{'title'})
        . FormStart($opt{'script'} || 'Catalog')
        . "<TABLE BORDER=0 WIDTH=620><TR><TD ALIGN=CENTER><FONT FACE=\"$face\">"
        . Heading(defined $opt{'title'} ? $opt{'title'} : '')
        . $opt{'message'} . "</FONT></TD></TR></TABLE>\n"
        . ($opt{'hidden'} || '')
        . Divider()
        . ($opt{'buttons'} || Button('show_front', 'MeBuFront', $::pszFrontButton))
        . FormEnd() . LegalFooter(0) . CreditLine() . PageFoot();
    return $out;
}

# Handles a script's request: reads it and hands its parameters to $main,
# which prints the page. A request that cannot be read gets the page that
# says why; whatever dies becomes an error page that names at most a data
# file, never a server path or a Perl message. Option postOnly: parameters
# from the request body only.
sub Run {
    my ($script, $main, %opt) = @_;
    binmode STDOUT;
    my $ok = eval {
        Init();
        my ($params, $names, $err) = ReadParams($opt{'postOnly'});
        if ($err) {
            print RequestErrorPage($err);
        } else {
            $main->($params, $names);
        }
        1;
    };
    return if $ok;
    my $e = $@;
    my $text = ref $e eq 'HASH'
        ? 'Die Datei &quot;' . Esc($e->{'file'}) . '&quot; kann nicht gelesen werden: ' . Esc($e->{'why'})
        : 'Im Shop ist ein Fehler aufgetreten.';
    print STDERR lc($script) . ": $e\n" unless ref $e;
    print MessagePage('status' => '500 Internal Server Error', 'title' => 'Fehler', 'message' => $text,
        'script' => $script);
    return;
}

1;
