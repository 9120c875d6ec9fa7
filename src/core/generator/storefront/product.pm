# Vendora shop module Product: catalogue data files and catalogue pages
# Version 1.10
#
# Records are found through a byte-offset index kept beside each data file
# ("product.toc.pos" and so on): the IDs with the offsets of their lines,
# sorted, searched by halving. It is built on first use after the data file
# changed (its size, time or inode differ from the index head), so a category
# or detail page of a large shop reads the few index entries that the halving
# touches and a few lines instead of parsing the whole file. The data files cannot be
# searched directly: they are in catalogue order, not in ID order. Every line
# found is checked to start with its ID, so a stale index can cost time but
# never return a wrong record. Where the data folder is not writable the
# index lives for one request only.

package Product;    ## no critic (RequireFilenameMatchesPackage)

use strict;
use warnings;
no warnings 'once';

our $PageSize = 20;
our $MaxSearchHits = 50;
our $MaxSearchText = 100;
our $PosBuilds = 0;     # indexes built in this process; the tests count them

my %Data;       # path => { fh, size, mtime, ino, pos => {...} }
my %Whole;      # path => [ records ] of the files that are read as a whole

sub Fail {
    my ($path, $why) = @_;
    (my $name = $path) =~ s{.*/}{};
    die { 'file' => $name, 'why' => $why };
}

sub OpenData {
    my ($path) = @_;
    return $Data{$path} if $Data{$path};
    open(my $fh, '<', $path) or Fail($path, "$!");
    binmode $fh;
    my @st = stat($fh);
    return $Data{$path} = { 'fh' => $fh, 'size' => $st[7], 'mtime' => $st[9], 'ino' => $st[1] % 4294967296 };
}

my $PosMagic = 'VPOS';
my $PosHead = 24;

# The index of a data file: head, then (ID, offset) pairs sorted by ID, all
# as 32-bit numbers. Returns the open index when its head matches the data
# file and its length the count it states, else undef. Only the head is read:
# a lookup reads the few pairs its halving touches, so a request pays for
# what it looks up, not for the size of the catalogue.
sub OpenPos {
    my ($d, $path) = @_;
    open(my $fh, '<', "$path.pos") or return;
    binmode $fh;
    my $head = '';
    (sysread($fh, $head, $PosHead) || 0) == $PosHead or return;
    my ($magic, $version, $size, $mtime, $ino, $count) = unpack('a4 N N N N N', $head);
    return unless $magic eq $PosMagic && $version == 1;
    return unless $size == $d->{'size'} % 4294967296 && $mtime == $d->{'mtime'} % 4294967296 && $ino == $d->{'ino'};
    return unless (-s $fh || 0) == $PosHead + 8 * $count;
    return { 'fh' => $fh, 'count' => $count };
}

# Scans the data file once: the ID and offset of every line, first one wins.
sub ScanOffsets {
    my ($d) = @_;
    my $fh = $d->{'fh'};
    seek($fh, 0, 0);
    my (%seen, @pairs);
    my $offset = 0;
    while (my $line = <$fh>) {
        if ($line =~ /^(\d{1,9})\|/ && !$seen{$1}++) {
            push @pairs, [$1, $offset];
        }
        $offset += length $line;
    }
    return join('', map { pack('N N', @$_) } sort { $a->[0] <=> $b->[0] } @pairs);
}

# Builds the index and keeps it in memory for this request.
sub BuildPos {
    my ($d, $path) = @_;
    $PosBuilds++;
    $d->{'built'} = 1;
    my $pairs = ScanOffsets($d);
    my $tmp = "$path.pos.$$";
    if (open(my $out, '>', $tmp)) {
        binmode $out;
        my $ok = print {$out} pack('a4 N N N N N', $PosMagic, 1, $d->{'size'} % 4294967296,
            $d->{'mtime'} % 4294967296, $d->{'ino'}, length($pairs) / 8), $pairs;
        $ok = close($out) && $ok;
        $ok = rename($tmp, "$path.pos") if $ok;
        unlink $tmp unless $ok;
    }
    return { 'pairs' => $pairs, 'count' => length($pairs) / 8 };
}

sub Pos {
    my ($d, $path) = @_;
    return $d->{'pos'} ||= OpenPos($d, $path) || BuildPos($d, $path);
}

# The pair at $i: from memory, or 8 bytes of the index file.
sub PosPair {
    my ($pos, $i) = @_;
    return unpack('N N', substr($pos->{'pairs'}, 8 * $i, 8)) if defined $pos->{'pairs'};
    my $pair = '';
    sysseek($pos->{'fh'}, $PosHead + 8 * $i, 0) or return;
    (sysread($pos->{'fh'}, $pair, 8) || 0) == 8 or return;
    return unpack('N N', $pair);
}

sub PosLookup {
    my ($pos, $id) = @_;
    my ($lo, $hi) = (0, $pos->{'count'} - 1);
    while ($lo <= $hi) {
        my $mid = ($lo + $hi) >> 1;
        my ($key, $offset) = PosPair($pos, $mid);
        return unless defined $key;
        return $offset if $key == $id;
        if ($key < $id) { $lo = $mid + 1 } else { $hi = $mid - 1 }
    }
    return;
}

# The line at $offset when it is the line of $id; read with one or two
# system calls, together with the byte before it, which must end a line.
sub LineAt {
    my ($d, $offset, $id) = @_;
    return if $offset >= $d->{'size'};
    my $fh = $d->{'fh'};
    my $start = $offset > 0 ? $offset - 1 : 0;
    sysseek($fh, $start, 0) or return;
    my $buf = '';
    while (sysread($fh, $buf, 16384, length $buf)) {
        last if index($buf, "\n", $offset - $start) >= 0;
    }
    if ($offset > 0) {
        return unless substr($buf, 0, 1) eq "\n";
        substr($buf, 0, 1, '');
    }
    my $end = index($buf, "\n");
    my $line = $end >= 0 ? substr($buf, 0, $end) : $buf;
    return unless index($line, "$id|") == 0;
    $line =~ s/\r\z//;
    return $line;
}

# The line of $id in the data file at $path, or undef. An ID in any other
# spelling than the data's own is not looked up at all, and a miss costs
# only the halving.
sub FindLine {
    my ($path, $id) = @_;
    return unless WebCode::IsId($id);
    my $d = OpenData($path);
    my $offset = PosLookup(Pos($d, $path), $id);
    return unless defined $offset;
    my $line = LineAt($d, $offset, $id);
    return $line if defined $line;
    # The index no longer matches the file: build it anew, at most once a
    # request, so that no request can make the script scan and rewrite it
    # again and again.
    return if $d->{'built'};
    $d->{'pos'} = BuildPos($d, $path);
    $offset = PosLookup($d->{'pos'}, $id);
    return defined $offset ? LineAt($d, $offset, $id) : undef;
}

sub Fields {
    my ($line) = @_;
    $line =~ s/\|\z//;
    return split /\|/, $line, -1;
}

my @CategoryFields = qw(id name desc pic head);
my @ProductFields = qw(id name desc short thumb pic attr1 attr2 tax hasweight hasship index lines);
my @ItemFields = qw(id number val1 val2 weight ship mprice sprice);

sub Record {
    my ($names, $line) = @_;
    return unless defined $line;
    my @values = Fields($line);
    my %rec;
    @rec{@$names} = map { defined $_ ? $_ : '' } @values[0 .. $#$names];
    return \%rec;
}

sub Category { return Record(\@CategoryFields, FindLine($::TocFile{'Category'}, $_[0])) }
sub Line     { return Record(\@CategoryFields, FindLine($::TocFile{'Linies'}, $_[0])) }
sub Product  { return Record(\@ProductFields, FindLine($::TocFile{'Product'}, $_[0])) }
sub Item     { return Record(\@ItemFields, FindLine($::TocFile{'Items'}, $_[0])) }

# The member IDs of $id in one of the four index files.
sub Members {
    my ($key, $id) = @_;
    my $line = FindLine($::IdxFile{$key}, $id);
    return () unless defined $line;
    my (undef, $list) = split /\|/, $line, 2;
    return grep { /^\d+$/ } split /,/, (defined $list ? $list : '');
}

# Page $page (from 0) of the member IDs of $id, $PageSize to a page: (IDs,
# page, pages); a page past the end is the first. Only the list up to that
# page is split: a category of a large shop holds thousands of products.
sub MemberPage {
    my ($key, $id, $page) = @_;
    my $line = FindLine($::IdxFile{$key}, $id);
    my $list = defined $line ? (split /\|/, $line, 2)[1] : undef;
    $list = '' unless defined $list;
    my $count = length $list ? ($list =~ tr/,//) + 1 : 0;
    my $pages = int(($count + $PageSize - 1) / $PageSize) || 1;
    $page = 0 unless defined $page && $page < $pages;
    my $from = $page * $PageSize;
    my @parts = split /,/, $list, $from + $PageSize + 1;
    my $last = $from + $PageSize - 1;
    $last = $#parts if $last > $#parts;
    return ([ grep { /^\d+$/ } @parts[$from .. $last] ], $page, $pages);
}

# The small files (categories, lines, index names) are read as a whole.
sub AllRecords {
    my ($path, $names) = @_;
    return $Whole{$path} if $Whole{$path};
    open(my $fh, '<', $path) or Fail($path, "$!");
    binmode $fh;
    my @records;
    while (my $line = <$fh>) {
        $line =~ s/\r?\n\z//;
        next unless $line =~ /^\d/;
        push @records, Record($names, $line);
    }
    close $fh;
    return $Whole{$path} = \@records;
}

sub Categories { return AllRecords($::TocFile{'Category'}, \@CategoryFields) }
sub Lines      { return $::LinesLayout{'Bool'} ? AllRecords($::TocFile{'Linies'}, \@CategoryFields) : [] }
sub IndexEntries { return AllRecords($::TocFile{'Index'}, [qw(id name)]) }

sub Forget {
    %Data = ();
    %Whole = ();
    return;
}

# The item $iid of product $pid, when it really belongs to that product.
sub ProductItem {
    my ($pid, $iid) = @_;
    return unless grep { $_ == $iid } Members('Product', $pid);
    return Item($iid);
}

# Resolves cart lines against the data files: prices, weights and names come
# from there only. Returns (\@lines, \@gone) with the lines that no longer
# exist in @gone.
sub ResolveCart {
    my ($cart) = @_;
    my (@lines, @gone);
    foreach my $entry (@$cart) {
        my $product = Product($entry->{'pid'});
        my $item = $product ? ProductItem($entry->{'pid'}, $entry->{'iid'}) : undef;
        if (!$item) {
            push @gone, $entry;
            next;
        }
        push @lines, { %$entry, 'product' => $product, 'item' => $item };
    }
    return (\@lines, \@gone);
}

# ---------------------------------------------------------------- pages

sub Face { return WebCode::Face() }

sub HeadColour { return WebCode::HeadColour() }

sub Notes {
    my ($notes) = @_;
    return '' unless $notes && @$notes;
    return WebCode::Alerts($notes) . "<P>\n";
}

# Begins a catalogue page: head, form, top menu and logo.
sub Begin {
    my ($st, $title, $storefront, @menu) = @_;
    return WebCode::Header() . WebCode::PageHead('title' => $title)
        . WebCode::FormStart('Catalog')
        . WebCode::TopMenu($storefront, @menu)
        . WebCode::Logo($storefront)
        . Notes($st->{'notes'});
}

sub End {
    my ($st, @menu) = @_;
    return WebCode::BottomMenu(@menu) . WebCode::LegalFooter(1) . State($st) . WebCode::CreditLine()
        . WebCode::FormEnd() . WebCode::PageFoot();
}

# The hidden fields every catalogue page carries.
sub State {
    my ($st) = @_;
    return WebCode::CatalogState($st->{'last'}, $st->{'activ'}, $st->{'cart'});
}

sub RecordButtons {
    my ($records, $prefix, $base, $layout) = @_;
    my $face = Face();
    my $wrap = defined $layout->{'Wrap'} ? $layout->{'Wrap'} : -1;
    my ($out, $inRow) = ('', 0);
    foreach my $r (@$records) {
        my $attr = WebCode::ImageAttributes($base, $r->{'pic'});
        if (length $attr) {
            $out .= "<INPUT TYPE=IMAGE $attr NAME=\"$prefix$r->{'id'}\" ALT=\"$r->{'name'}\"" . WebCode::TapPadding($r->{'pic'}) . '>';
        } else {
            $out .= "<INPUT TYPE=SUBMIT NAME=\"$prefix$r->{'id'}\" VALUE=\"$r->{'name'}\">";
        }
        $out .= '&nbsp;&nbsp;';
        $out .= "<BR><FONT FACE=\"$face\" SIZE=\"-1\">$r->{'desc'}</FONT>"
            if $layout->{'Description'} && $wrap != 0 && length $r->{'desc'};
        $out .= "\n";
        if ($wrap > 0 && ++$inRow >= $wrap) {
            $inRow = 0;
            $out .= $layout->{'Dividers'} ? WebCode::Divider() : $layout->{'Spacing'} ? "<P>\n" : "<BR>\n";
        }
    }
    return $out;
}

sub CategoryButtons {
    return RecordButtons(Categories(), 'categorypage_', $::Basis{'Category'}, \%::CategoryLayout);
}

sub LineButtons {
    return RecordButtons(Lines(), 'linepage_', $::Basis{'Linies'}, \%::LinesLayout);
}

sub IndexBlock {
    my $face = Face();
    my $colour = HeadColour();
    my $out = "<P><FONT FACE=\"$face\"><FONT COLOR=\"$colour\"><H2><LABEL FOR=\"indexid\">$::pszIndexName</LABEL></H2></FONT>$::pszIndexDescription</FONT></P>\n"
        . "<select name=\"indexid\" id=\"indexid\">";
    foreach my $entry (@{ IndexEntries() }) {
        $out .= "<OPTION VALUE=$entry->{'id'}>$entry->{'name'}</OPTION>";
    }
    return $out . "</SELECT><P>&nbsp;\n" . WebCode::Button('show_index', 'ImgFind', $::pszGotoLineInfo) . "\n";
}

sub StoreFront {
    my ($st) = @_;
    my $face = Face();
    my $lines = $::LinesLayout{'Bool'} && @{ Lines() };
    my $out = Begin($st, undef, 1, 0, 0, 1);
    $out .= "<FONT COLOR=\"" . HeadColour() . "\" FACE=\"$face\">$::ShopSet{'Welcome'}</FONT>\n" . WebCode::Divider();
    $out .= LineButtons() . WebCode::Divider() if $lines && $::LinesLayout{'First'} == 1;
    $out .= ($::IndexOnStoreFront && $::IsIndex) ? IndexBlock() : CategoryButtons();
    $out .= WebCode::Divider() . LineButtons() if $lines && $::LinesLayout{'First'} != 1;
    $out .= WebCode::Divider() . "<FONT FACE=\"$face\">$::ShopSet{'Instruction'}</FONT><BR>\n"
        . WebCode::Footer() . WebCode::Divider();
    return $out . End($st, 0, 0, 1);
}

# The item table header cells alternate between these two colours.
sub TableColours {
    return (defined $::graphicSet{'CoNLnk'} ? $::graphicSet{'CoNLnk'} : '',
            HeadColour());
}

# The items of a product: a table on wide screens, one card per item on a
# phone, where each cell shows its column's name before the value.
sub ItemTable {
    my ($product, $items) = @_;
    my $face = Face();
    my @colours = TableColours();
    my $fg = defined $::graphicSet{'CoBg'} ? $::graphicSet{'CoBg'} : '';
    my @heads = ($::pszItem);
    push @heads, $product->{'attr1'} if length $product->{'attr1'};
    push @heads, $product->{'attr2'} if length $product->{'attr2'};
    push @heads, $::pszWeight if $product->{'hasweight'};
    push @heads, $::pszShip if $product->{'hasship'};
    my $n = 0;
    my $out = "<TR><TD COLSPAN=2 VALIGN=TOP WIDTH=500>\n<TABLE CLASS=\"items\" BORDER=0 WIDTH=500 ALIGN=CENTER>\n"
        . "<TR CLASS=\"ihead\"><TD WIDTH=45 BGCOLOR=\"$colours[$n++ % 2]\">&nbsp;</TD>";
    foreach my $head (@heads) {
        $out .= "<TD ALIGN=CENTER BGCOLOR=\"$colours[$n++ % 2]\"><FONT COLOR=\"$fg\" FACE=\"$face\" SIZE=\"-1\"><B>$head</B></FONT></TD>";
    }
    my @currencies = ($::Currency{'Master'});
    push @currencies, $::Currency{'Second'} if $::SecCurrency;
    foreach my $currency (@currencies) {
        $out .= "<TD ALIGN=RIGHT BGCOLOR=\"$colours[$n++ % 2]\"><FONT COLOR=\"$fg\" FACE=\"$face\" SIZE=\"-1\"><B>$::pszPriceIn $currency</B></FONT></TD>";
    }
    $out .= "</TR>\n";
    my $cell = sub {
        my ($align, $label, $text) = @_;
        return "<TD ALIGN=$align VALIGN=TOP DATA-LABEL=\"$label\"><FONT FACE=\"$face\" SIZE=\"-1\">$text</FONT></TD>";
    };
    foreach my $item (@$items) {
        my @cells = ($item->{'number'});
        push @cells, $item->{'val1'} if length $product->{'attr1'};
        push @cells, $item->{'val2'} if length $product->{'attr2'};
        push @cells, WebCode::Number($item->{'weight'}, 2) if $product->{'hasweight'};
        push @cells, WebCode::Number($item->{'ship'}, 2) if $product->{'hasship'};
        $out .= '<TR CLASS="item"><TD ALIGN=CENTER VALIGN=TOP CLASS="pick">'
            . WebCode::Tick('name' => "add_$product->{'id'}|$item->{'id'}", 'value' => 1, 'hidden' => 1,
                'text' => "$::pszItem $item->{'number'} ausw&auml;hlen") . '</TD>';
        $out .= $cell->('CENTER', $heads[$_], $cells[$_]) foreach 0 .. $#cells;
        $out .= $cell->('RIGHT', "$::pszPriceIn $currencies[0]", WebCode::Number($item->{'mprice'}, 2));
        $out .= $cell->('RIGHT', "$::pszPriceIn $currencies[1]", WebCode::Number($item->{'sprice'}, 2)) if $::SecCurrency;
        $out .= "</TR>\n";
    }
    $out .= '<TR CLASS="inote"><TD COLSPAN=' . (1 + @heads + @currencies) . " ALIGN=RIGHT><FONT FACE=\"$face\">"
        . WebCode::PriceNote(1, 'Preise') . "</FONT></TD></TR>\n";
    return $out . "</TABLE></TD></TR>\n";
}

sub BuyRow {
    my ($product) = @_;
    my $face = Face();
    my $out = '<TR><TD VALIGN=BOTTOM>';
    my %lineName = map { $_->{'id'} => $_->{'name'} } @{ Lines() };
    my @lines = grep { exists $lineName{$_} } split /,/, $product->{'lines'};
    if ($::LinesLayout{'Product'} && @lines) {
        $out .= "<FONT FACE=\"$face\"><FONT SIZE=\"-2\"><I>&nbsp;<LABEL FOR=\"lineid_$product->{'id'}\">$::pszLineInfo</LABEL></FONT><BR></I>"
            . "<FONT SIZE=\"-1\"><SELECT NAME=\"lineid_$product->{'id'}\" ID=\"lineid_$product->{'id'}\">";
        $out .= "<OPTION VALUE=$_>$lineName{$_}</OPTION>" foreach @lines;
        $out .= "</SELECT>&nbsp;</FONT></FONT>"
            . WebCode::Button("showline_$product->{'id'}", 'ImgFind', $::pszGotoLineInfo, 'ALIGN=TOP');
    }
    $out .= "&nbsp;</TD>\n<TD ALIGN=RIGHT VALIGN=TOP>"
        . WebCode::Button("buy_$product->{'id'}", 'MeBuBuy', $::pszBuyNow) . "</TD></TR>\n";
    return $out;
}

sub ProductItems {
    my ($product) = @_;
    return [ grep { defined } map { Item($_) } Members('Product', $product->{'id'}) ];
}

sub TaxCell {
    my ($product) = @_;
    return '<TD>&nbsp;</TD>' unless $::Taxes == 2 && length $product->{'tax'};
    return sprintf('<TD VALIGN=BOTTOM ALIGN=RIGHT><FONT FACE="%s" SIZE="-1">%s %s</FONT></TD>',
        Face(), $::pszTaxeRate, WebCode::Rate($product->{'tax'}));
}

# The language text of the detail button, as an alternative text.
sub MoreInfoText {
    (my $text = $::pszMoreInfo) =~ s/&#1[03];|[\r\n]+/ /g;
    return $text;
}

sub ProductBlock {
    my ($product) = @_;
    my $face = Face();
    my $out = "<TABLE BORDER=$::TableBorder WIDTH=620 BGCOLOR=\"$::graphicSet{'CoBg'}\" CELLSPACING=0 ALIGN=CENTER><TR><TD>\n"
        . "<TABLE CLASS=\"pb\" BORDER=0>\n<TR><TD ROWSPAN=4 VALIGN=TOP WIDTH=100 ALIGN=CENTER>";
    my $attr = WebCode::ImageAttributes($::Basis{'Thumbs'}, $product->{'thumb'});
    if (length $attr) {
        $out .= $::DetailPage
            ? "<INPUT TYPE=IMAGE $attr NAME=\"detailpage_$product->{'id'}\" ALT=\"$product->{'name'}: " . MoreInfoText() . '"'
                . WebCode::TapPadding($product->{'thumb'}) . '>'
            : "<IMG $attr ALT=\"$product->{'name'}\">";
    } elsif ($::DetailPage) {
        $out .= "<INPUT TYPE=SUBMIT NAME=\"detailpage_$product->{'id'}\" VALUE=\"$::pszMoreInfo\">";
    } else {
        $out .= '&nbsp;';
    }
    $out .= "</TD>\n<TD VALIGN=TOP><FONT FACE=\"$face\"><B>$product->{'name'}</B></FONT></TD>" . TaxCell($product) . "</TR>\n"
        . "<TR><TD COLSPAN=2><FONT FACE=\"$face\" SIZE=\"-1\">$product->{'short'}</FONT></TD></TR>\n"
        . ItemTable($product, ProductItems($product))
        . BuyRow($product)
        . "</TABLE></TD></TR></TABLE>\n" . WebCode::Divider();
    return $out;
}

# One page of a product list with buttons to the neighbouring pages.
sub ProductList {
    my ($ids, $page, $pages, $buttonPrefix) = @_;
    my $out = '';
    foreach my $pid (@$ids) {
        my $product = Product($pid);
        $out .= ProductBlock($product) if $product;
    }
    if ($pages > 1) {
        my $face = Face();
        $out .= '<TABLE CLASS="keep" BORDER=0 ALIGN=CENTER><TR>';
        $out .= '<TD>' . WebCode::TextButton($buttonPrefix . ($page - 1), '&lt;') . '</TD>' if $page > 0;
        $out .= sprintf('<TD><FONT FACE="%s" SIZE="-1">%d / %d</FONT></TD>', $face, $page + 1, $pages);
        $out .= '<TD>' . WebCode::TextButton($buttonPrefix . ($page + 1), '&gt;') . '</TD>' if $page + 1 < $pages;
        $out .= "</TR></TABLE>\n" . WebCode::Divider();
    }
    return $out;
}

sub NotFound {
    my ($st) = @_;
    push @{ $st->{'notes'} }, 'Diese Seite gibt es im Shop nicht (mehr).';
    $st->{'activ'} = 'sf';
    return StoreFront($st);
}

sub GroupPage {
    my ($st, $record, $idxKey, $id, $page, $prefix, $base) = @_;
    return NotFound($st) unless $record;
    my $face = Face();
    my $out = Begin($st, $record->{'name'}, 0, 1, 1, 1);
    my $attr = WebCode::ImageAttributes($base, $record->{'head'});
    $out .= length $attr
        ? "<IMG $attr ALT=\"$record->{'name'}\"><BR>\n"
        : "<H2><FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\">$record->{'name'}</FONT></H2>\n";
    $out .= "<FONT FACE=\"$face\">$record->{'desc'}</FONT><P>\n" . WebCode::Divider();
    $out .= ProductList(MemberPage($idxKey, $id, $page), "${prefix}${id}_");
    return $out . End($st, 1, 1, 1);
}

sub CategoryPage {
    my ($st, $id, $page) = @_;
    return GroupPage($st, scalar(Category($id)), 'Category', $id, $page, 'categorypage_', $::Basis{'Category'});
}

sub LinePage {
    my ($st, $id, $page) = @_;
    return GroupPage($st, scalar(Line($id)), 'Line', $id, $page, 'linepage_', $::Basis{'Linies'});
}

sub DetailPage {
    my ($st, $id) = @_;
    my $product = Product($id);
    return NotFound($st) unless $product;
    my $face = Face();
    my $out = Begin($st, $product->{'name'}, 0, 1, 1, 1);
    $out .= "<P><FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\"><FONT SIZE=\"+2\"><B>$product->{'name'}</B></FONT><BR>$product->{'short'}</FONT></P>\n"
        . "<TABLE BORDER=0 WIDTH=600 ALIGN=CENTER><TR><TD VALIGN=TOP>";
    my $attr = WebCode::ImageAttributes($::Basis{'Products'}, $product->{'pic'});
    $out .= "<IMG $attr ALIGN=LEFT ALT=\"$product->{'name'}\">" if length $attr;
    $out .= "<FONT FACE=\"$face\">$product->{'desc'}</FONT><BR CLEAR=ALL><P></TD></TR></TABLE>\n"
        . "<TABLE BORDER=$::TableBorder WIDTH=620 BGCOLOR=\"$::graphicSet{'CoBg'}\" CELLSPACING=0 ALIGN=CENTER><TR><TD ALIGN=CENTER>\n"
        . "<TABLE CLASS=\"pb\" BORDER=0>\n"
        . ItemTable($product, ProductItems($product)) . BuyRow($product)
        . "</TABLE></TD></TR></TABLE>\n" . WebCode::Divider();
    return $out . End($st, 1, 1, 1);
}

sub IndexPage {
    my ($st, $id, $page) = @_;
    my $out = Begin($st, $::pszIndexName, 0, 1, 1, 1);
    my ($entry) = defined $id ? grep { $_->{'id'} == $id } @{ IndexEntries() } : ();
    if ($entry) {
        my $face = Face();
        $out .= "<H2><FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\">$entry->{'name'}</FONT></H2>\n" . WebCode::Divider()
            . ProductList(MemberPage('Index', $id, $page), "show_index_${id}_");
    } else {
        $out .= IndexBlock() . WebCode::Divider();
    }
    return $out . End($st, 1, 1, 1);
}

# Lower case for the shop's Latin-1 bytes, umlauts included.
sub Fold {
    my ($text) = @_;
    $text = lc $text;
    $text =~ tr/\xC0-\xD6\xD8-\xDE/\xE0-\xF6\xF8-\xFE/;
    return $text;
}

# Every word of the search text must occur in the product's line of the
# data file (name, texts, attribute and index names); case is ignored.
sub Search {
    my ($text) = @_;
    my @words = map { Fold($_) } grep { length } split /\s+/, $text;
    return ([], 0) unless @words;
    my $path = $::TocFile{'Product'};
    open(my $fh, '<', $path) or Fail($path, "$!");
    binmode $fh;
    my (@hits, $more);
    LINE: while (my $line = <$fh>) {
        my $hay = Fold($line);
        foreach my $word (@words) {
            next LINE if index($hay, $word) < 0;
        }
        my $product = Record(\@ProductFields, $line);
        if (@hits >= $MaxSearchHits) {
            $more = 1;
            last;
        }
        push @hits, $product;
    }
    close $fh;
    return (\@hits, $more);
}

sub SearchPage {
    my ($st, $text) = @_;
    my $face = Face();
    my $colour = HeadColour();
    $text = '' unless defined $text;
    $text =~ s/[\r\n\t]+/ /g;
    $text = substr($text, 0, $MaxSearchText);
    my $out = Begin($st, $::pszSearchName, 0, 1, 1, 1);
    $out .= "<H2><FONT COLOR=\"$colour\" FACE=\"$face\">$::pszSearchName</FONT></H2>"
        . "<H3><FONT COLOR=\"$colour\" FACE=\"$face\"><LABEL FOR=\"search_string\">$::pszSeachInfo</LABEL></FONT></H3>\n"
        . "<TABLE BORDER=0 WIDTH=620><TR><TD><I><FONT FACE=\"$face\">$::pszSeachInfoText</FONT></I></TD></TR>\n"
        . '<TR><TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME="search_string" VALUE="' . WebCode::Esc($text) . '" SIZE=40 ID="search_string" TYPE="search">&nbsp;&nbsp;'
        . WebCode::Button('show_search', 'ImgFind', $::pszSearchName) . "</TD></TR></TABLE>\n" . WebCode::Divider();
    if ($text =~ /\S/) {
        my ($hits, $more) = Search($text);
        if (!@$hits) {
            $out .= "<FONT FACE=\"$face\"><B>$::pszSearchNoMatch</B></FONT>\n" . WebCode::Divider();
        }
        $out .= ProductBlock($_) foreach @$hits;
        $out .= "<FONT FACE=\"$face\" SIZE=\"-1\">Es wurden mehr als $MaxSearchHits Produkte gefunden. "
            . "Bitte geben Sie einen genaueren Suchbegriff ein.</FONT>\n" . WebCode::Divider() if $more;
    }
    return $out . End($st, 1, 1, 1);
}

sub CartTotals {
    my ($lines) = @_;
    my ($sum, $sum2) = (0, 0);
    foreach my $line (@$lines) {
        $sum += WebCode::Round2($line->{'qty'} * $line->{'item'}{'mprice'});
        $sum2 += WebCode::Round2($line->{'qty'} * $line->{'item'}{'sprice'});
    }
    return (WebCode::Round2($sum), WebCode::Round2($sum2));
}

sub PriceCell {
    my ($master, $second, $bold) = @_;
    my $face = Face();
    my ($b, $eb) = $bold ? ('<b>', '</b>') : ('', '');
    my $out = "<TD ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"$face\" SIZE=\"-1\">$b" . WebCode::Price($master) . $eb;
    $out .= "<BR><FONT COLOR=\"" . HeadColour() . '">' . WebCode::Price($second, $::Currency{'Second'}) . '</FONT>' if $::SecCurrency;
    return $out . '</FONT></TD>';
}

# The cart rows; with $editable the quantities are input fields named like
# the cart fields.
sub CartTable {
    my ($lines, $editable) = @_;
    my $face = Face();
    my $out = "<TABLE CLASS=\"keep\" BORDER=1 CELLSPACING=0 CELLPADDING=0 WIDTH=580 ALIGN=CENTER><TR><TD ALIGN=CENTER>\n"
        . "<TABLE CLASS=\"keep cart\" WIDTH=578 BORDER=0 CELLSPACING=0 CELLPADDING=4><TR>"
        . "<TD><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszQuant</B></FONT></TD>"
        . "<TD><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszItem</B></FONT></TD>"
        . "<TD ALIGN=RIGHT><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszPrice</B></FONT></TD>"
        . "<TD ALIGN=RIGHT><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszSubTotal</B></FONT></TD></TR>\n";
    foreach my $line (@$lines) {
        my ($p, $i) = ($line->{'product'}, $line->{'item'});
        my $qty = WebCode::QuantityText($line->{'qty'});
        my $id = "qty_$line->{'pid'}_$line->{'iid'}";
        $out .= '<TR><TD VALIGN=TOP>'
            . ($editable ? "<LABEL FOR=\"$id\" CLASS=\"vh\">$::pszQuant $p->{'name'} $i->{'number'}</LABEL>"
                . "<INPUT TYPE=TEXT SIZE=3 NAME=\"ov_$line->{'pid'}|$line->{'iid'}\" VALUE=\"$qty\" ID=\"$id\" INPUTMODE=\"decimal\">"
                         : "<FONT FACE=\"$face\" SIZE=\"-1\">$qty</FONT>")
            . "</TD><TD VALIGN=TOP><FONT FACE=\"$face\" size=\"-1\">$p->{'name'}<br>$i->{'number'}&nbsp;&nbsp;$i->{'val1'}"
            . (length $i->{'val2'} ? "/$i->{'val2'}" : '') . '</FONT></TD>'
            . PriceCell($i->{'mprice'}, $i->{'sprice'})
            . PriceCell(WebCode::Round2($line->{'qty'} * $i->{'mprice'}), WebCode::Round2($line->{'qty'} * $i->{'sprice'}))
            . "</TR>\n";
    }
    return $out;
}

sub CartPage {
    my ($st) = @_;
    my $face = Face();
    my $lines = $st->{'lines'};
    my $out = WebCode::Header() . WebCode::PageHead('title' => $::pszWKName)
        . WebCode::FormStart('Catalog')
        . ($::TopMenu ? WebCode::MenuBar(1, 1, 0) . WebCode::Divider() : '')
        . WebCode::Logo(0)
        . "<H2><FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\">$::pszWKName</FONT></H2>\n"
        . Notes($st->{'notes'})
        . "<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><TD ALIGN=CENTER><I>"
        . "<FONT FACE=\"$face\" size=\"-1\">$::pszWkDescription</FONT></I></TD></TR></TABLE>\n" . WebCode::Divider();
    my ($sum, $sum2) = CartTotals($lines);
    $out .= CartTable($lines, 1)
        . "<TR><TD COLSPAN=3 ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"$face\" SIZE=\"-1\"><B>$::pszTotal</B></FONT></TD>"
        . PriceCell($sum, $sum2, 1) . "</TR>\n"
        . "<TR><TD COLSPAN=4 ALIGN=RIGHT><FONT FACE=\"$face\">" . WebCode::PriceNote(1, 'Preise') . "</FONT></TD></TR>"
        . "</TABLE></TD></TR></TABLE><BR>\n";
    my $belowMin = @$lines && WebCode::BelowMinimum($sum);
    if ($belowMin) {
        $out .= "<FONT FACE=\"$face\" COLOR=\"" . WebCode::AlertColour() . "\"><B>" . WebCode::MinOrderText() . "</B></FONT><BR>\n";
    }
    $out .= "<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR>"
        . "<TD VALIGN=TOP ALIGN=LEFT>" . WebCode::TextButton('show_back', $::pszContinueShop) . "</td>"
        . "<TD VALIGN=TOP ALIGN=CENTER>" . WebCode::TextButton('show_recalc', $::pszRecalculate) . "</td>\n"
        . WebCode::CatalogState($st->{'last'}, $st->{'activ'})
        . "</FORM></TD>\n";
    if (@$lines && !$belowMin) {
        $out .= '<TD VALIGN=TOP ALIGN=RIGHT><FORM ACTION="' . WebCode::ScriptUrl('Order') . "\" METHOD=POST>\n"
            . WebCode::Hidden('ReturnPage', $st->{'last'}) . WebCode::Hidden('ActivPage', 'wk')
            . WebCode::CartHidden($lines)
            . WebCode::TextButton('show_order', $::pszOrderNow) . "</FORM></td>\n";
    }
    $out .= "</TR></TABLE>\n" . WebCode::FormStart('Catalog') . WebCode::Divider()
        . "<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><td>" . WebCode::Footer() . "</TD></TR></TABLE>\n";
    $out .= "<FONT FACE=\"$face\"><B>$::pszWkNoItems</B></FONT>\n" unless @$lines;
    $out .= WebCode::Divider();
    return $out . End($st, 1, 1, 1);
}

sub ExitPage {
    my ($st) = @_;
    my $face = Face();
    my $out = Begin($st, $::pszHomeButton, 0, 1, 1, 0);
    $out .= "<H2><FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\">$::pszExitCatalog1</FONT></H2>\n"
        . "<FONT FACE=\"$face\"><B>$::pszExitCatalog2</B><P>$::pszExitCatalogInfo</FONT>\n" . WebCode::Divider()
        . "<TABLE BORDER=0 ALIGN=CENTER><TR><TD><A HREF=\"$::Basis{'Extern'}\">";
    my $ref = WebCode::GraphicRef('MeBuHome');
    my $attr = WebCode::ImageAttributes($::Basis{'Imgs'}, $ref);
    $out .= length $attr ? "<IMG $attr ALT=\"$::pszHomeButton\"" . WebCode::TapPadding($ref) . '>'
                         : "<FONT FACE=\"$face\"><B>$::pszHomeButton</B></FONT>";
    $out .= "</A></TD><TD>" . WebCode::Button('show_front', 'MeBuFront', $::pszFrontButton) . "</TD></TR></TABLE>\n"
        . WebCode::Divider();
    return $out . End($st, 1, 1, 0);
}

sub AgbText {
    my $face = Face();
    return "<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><TD><FONT FACE=\"$face\">$::ShopSet{'AGB'}<p><hr>"
        . WebCode::AddressBlock() . "<P><BR></FONT></TD></TR></TABLE>\n";
}

sub AgbPage {
    my ($st) = @_;
    my $out = Begin($st, $::pszAgb, 0, 1, 1, 1);
    $out .= "<H2><FONT FACE=\"" . Face() . "\" COLOR=\"" . HeadColour() . "\">$::pszAgb</FONT></H2>\n" . AgbText()
        . WebCode::Divider();
    return $out . End($st, 1, 1, 1);
}

# The terms alone, for the window that the terms link opens.
sub AgbWindow {
    return WebCode::Header() . WebCode::PageHead('title' => $::pszAgb, 'noscript' => 1)
        . '<CENTER>' . AgbText() . WebCode::LegalFooter(0) . WebCode::CreditLine() . "</CENTER>\n" . WebCode::PageFoot();
}

# ---------------------------------------------------------------- legal pages

sub ShopText {
    my ($key) = @_;
    my $text = $::ShopSet{$key};
    return defined $text ? $text : '';
}

# The provider's name and how to reach him, from the shop's company data.
sub ImprintText {
    my $company = ShopText('Company');
    $company = ShopText('StoreName') unless $company =~ /\S/;
    my $out = "<P><B>Angaben gem&auml;&szlig; &sect;&nbsp;5 DDG</B></P>\n<P>$company<BR>\n";
    $out .= ShopText('StoreName') . "<BR>\n" if ShopText('StoreName') ne $company && ShopText('StoreName') =~ /\S/;
    $out .= ShopText('Address') . "<BR>\n" if ShopText('Address') =~ /\S/;
    $out .= ShopText('Zip') . '&nbsp;' . ShopText('City') . "<BR>\n";
    $out .= ShopText('Country') . "<BR>\n" if ShopText('Country') =~ /\S/;
    $out .= "</P>\n<P>";
    foreach my $row ([ 'Telefon', 'Phone1' ], [ 'Telefon', 'Phone2' ], [ 'Telefax', 'Fax1' ], [ 'Telefax', 'Fax2' ]) {
        $out .= "$row->[0]: " . ShopText($row->[1]) . "<BR>\n" if ShopText($row->[1]) =~ /\S/;
    }
    my $mail = ShopText('EM_Info');
    $out .= "E-Mail: <A HREF=\"mailto:$mail\">$mail</A><BR>\n" if $mail =~ /\S/;
    return "$out</P>\n";
}

# A legal text of the shop, or the note that it is missing.
sub HeldText {
    my ($key, $title) = @_;
    my $text = ShopText($key);
    return $text if $text =~ /\S/;
    my $mail = ShopText('EM_Info');
    return "<P><B>Die $title dieses Shops fehlt noch.</B>"
        . ($mail =~ /\S/ ? " Bitte fragen Sie uns per E-Mail: <A HREF=\"mailto:$mail\">$mail</A>" : '') . "</P>\n";
}

my %Legal = (
    'im' => [ 'Impressum',             sub { ImprintText() } ],
    'ds' => [ 'Datenschutzerkl&auml;rung', sub { HeldText('Privacy', 'Datenschutzerkl&auml;rung') } ],
    'wr' => [ 'Widerrufsbelehrung',    sub { HeldText('Withdrawal', 'Widerrufsbelehrung') } ],
    'vk' => [ undef,                   sub { ShippingText() } ],
);

sub LegalTitle {
    my ($code) = @_;
    return $code eq 'vk' ? ($::pszShipping || 'Versandkosten') : $Legal{$code}[0];
}

# Imprint, privacy policy, withdrawal notice and shipping charges.
sub LegalPage {
    my ($st, $code) = @_;
    my $face = Face();
    my $title = LegalTitle($code);
    my $out = Begin($st, $title, 0, 1, 1, 1);
    $out .= "<H2><FONT FACE=\"$face\" COLOR=\"" . HeadColour() . "\">$title</FONT></H2>\n"
        . "<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><TD><DIV CLASS=\"legal-text\"><FONT FACE=\"$face\">"
        . $Legal{$code}[1]->() . "</FONT></DIV></TD></TR></TABLE>\n" . WebCode::Divider();
    return $out . End($st, 1, 1, 1);
}

# ---------------------------------------------------------------- shipping charges

# The rows of a break table as the order reckons them: a charge applies from
# its break up to the next one; a break of 0 stands for "more than nothing";
# below the lowest break nothing is charged. Returns [range, charge] pairs.
sub BreakRows {
    my ($type, @pairs) = @_;
    my %charge;
    foreach my $pair (@pairs) {
        my $break = $pair->[0] < 0 ? 0 : $pair->[0];
        $charge{$break} = $pair->[1] unless exists $charge{$break};
    }
    my @breaks = sort { $a <=> $b } keys %charge;
    my $show = $type == 1 ? sub { WebCode::ShortNumber($_[0]) . ' Artikel' }
             : $type == 2 ? sub { WebCode::ShortNumber($_[0]) . ' kg' }
             :              sub { WebCode::Price($_[0]) };
    my @rows;
    push @rows, [ 'bis unter ' . $show->($breaks[0]), 0 ] if @breaks && $breaks[0] > 0;
    foreach my $i (0 .. $#breaks) {
        my ($from, $to) = ($breaks[$i], $breaks[$i + 1]);
        my $range = $from > 0
            ? (defined $to ? $show->($from) . ' bis unter ' . $show->($to) : 'ab ' . $show->($from))
            : (defined $to ? 'bis unter ' . $show->($to) : 'jede Bestellung');
        push @rows, [ $range, $charge{$from} ];
    }
    return @rows;
}

sub ShippingTable {
    my ($name, $head, @rows) = @_;
    my $face = Face();
    my $out = "<TABLE CLASS=\"keep\" BORDER=1 CELLSPACING=0 CELLPADDING=4 ALIGN=CENTER>"
        . "<CAPTION><FONT FACE=\"$face\"><B>" . WebCode::Esc($name) . "</B></FONT></CAPTION>\n"
        . "<TR><TH SCOPE=col ALIGN=LEFT><FONT FACE=\"$face\" SIZE=\"-1\">$head</FONT></TH>"
        . "<TH SCOPE=col ALIGN=RIGHT><FONT FACE=\"$face\" SIZE=\"-1\">$::pszShipping</FONT></TH></TR>\n";
    foreach my $row (@rows) {
        $out .= "<TR><TD><FONT FACE=\"$face\" SIZE=\"-1\">$row->[0]</FONT></TD>"
            . "<TD ALIGN=RIGHT><FONT FACE=\"$face\" SIZE=\"-1\">" . WebCode::Price($row->[1]) . "</FONT></TD></TR>\n";
    }
    return "$out</TABLE><BR>\n";
}

# The shipping page: the charges of each method as $Shipping_Typ reckons
# them, transport insurance, payment charges and the minimum order value.
sub ShippingText {
    my $type = $::Shipping_Typ || 0;
    my $out = '<P>' . (($::Taxes || 0) == 2 ? 'Alle Preise enthalten die gesetzliche Mehrwertsteuer. ' : '')
        . "Zu den Preisen der Artikel kommen diese Versandkosten hinzu:</P>\n";
    my @methods = sort keys %::aShipping;
    if ($type == 5) {
        $out .= "<P><B>Wir liefern versandkostenfrei.</B></P>\n";
    } elsif ($type == 4) {
        $out .= "<P>Die Versandkosten stehen bei jedem Artikel in der Spalte &quot;$::pszShip&quot;; "
            . "sie werden f&uuml;r jedes bestellte St&uuml;ck berechnet.</P>\n";
    } else {
        my $head = $type == 1 ? $::pszQuant : $type == 2 ? $::pszWeight : 'Warenwert';
        foreach my $method (@methods) {
            my @pairs = WebCode::ShippingPairs($::aShipping{$method});
            my $name = WebCode::ShippingName($method);
            my @rows = !@pairs ? ([ 'jede Bestellung', 0 ])
                     : $type == 3 ? ([ 'je Bestellung', $pairs[0][1] ])
                     : BreakRows($type, @pairs);
            $out .= ShippingTable($name, $type == 3 ? 'Bestellung' : $head, @rows);
        }
    }
    if ($::Shipping_Ensurance) {
        $out .= "<P>$::pszShippingInsurance: " . WebCode::ShortNumber($::Shipping_Ensurance_Value || 0)
            . ' % des Warenwerts' . (($::Shipping_Ensurance_Limit || 0) > 0 ? ' ab einem Warenwert von ' . WebCode::Price($::Shipping_Ensurance_Limit) : '')
            . '.';
        $out .= ' Ab einem Warenwert von ' . WebCode::Price($::Shipping_Ensurance_Replace_Value || 0) . ' entfallen daf&uuml;r die Versandkosten.'
            if $::Shipping_Ensurance_Replace;
        $out .= "</P>\n";
    }
    my @payments = sort keys %::Payment;
    if (@payments) {
        $out .= "<P><B>$::pszStepFourPayK</B><BR>\n";
        $out .= WebCode::Esc($_) . ': ' . ($::Payment{$_} > 0 ? 'zzgl. ' . WebCode::Price($::Payment{$_}) : 'ohne Aufpreis') . "<BR>\n"
            foreach @payments;
        $out .= "</P>\n";
    }
    $out .= '<P>Mindestbestellwert: ' . WebCode::Price($::SoldMin) . "</P>\n" if ($::SoldMin || 0) > 0;
    return $out;
}

1;
