# The catalogue script: pages chosen by parameters, the page codes kept in
# "LastPage" and "ActivPage", the cart, paging, text-only shops and the
# offset index of the data files.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use ShopFixture qw(MakeShop RunCgi LoadShop);

my $shop = MakeShop();

sub Page {
    my ($s, $query, %opt) = @_;
    my ($head, $page) = RunCgi($s, 'catalog.pl', %opt, ($opt{'method'} || '') eq 'GET' ? ('query' => $query) : ('body' => $query));
    my ($activ) = $page =~ /NAME="ActivPage" VALUE="([^"]*)"/;
    my ($last) = $page =~ /NAME="LastPage" VALUE="([^"]*)"/;
    return ($page, $activ, $last, $head);
}

sub Slurp { open(my $fh, '<', $_[0]) or die; local $/; return scalar <$fh> }

# Replaces data files of a shop: name => text.
sub Rewrite {
    my ($s, %files) = @_;
    foreach my $name (keys %files) {
        open(my $fh, '>', "$s->{'store'}data/$name") or die;
        print {$fh} $files{$name};
        close $fh;
    }
    return;
}

subtest 'pages and page codes' => sub {
    my @cases = (
        [ 'storefront without parameters', '', 'sf', 'sf', [ 'Willkommen im Teehaus!', 'NAME="categorypage_3" VALUE="Geschenke &amp; Sets"' ] ],
        [ 'category by image button', 'categorypage_2.x=4&categorypage_2.y=9&ActivPage=sf&LastPage=sf', 'cp_2', 'sf',
          [ 'Teekanne &quot;Classic&quot;', 'Teesieb', 'NAME="add_20|201"', 'Steuersatz: 19.00%' ] ],
        [ 'detail page', 'detailpage_10.x=1&detailpage_10.y=1&ActivPage=cp_1&LastPage=sf', 'dp_10', 'cp_1',
          [ 'SRC="http://127.0.0.1/shop/prods/p10.jpg" WIDTH=300 HEIGHT=225 BORDER=0 ALIGN=LEFT', 'Zweite Pfl' ] ],
        [ 'back to the page before', 'show_back.x=1&show_back.y=1&ActivPage=dp_10&LastPage=cp_1', 'cp_1', 'sf', [ 'Assam Gold' ] ],
        [ 'product line by text button', 'linepage_2=Neu&ActivPage=sf&LastPage=sf', 'lp_2', 'sf', [ 'Sencha', 'Teekanne' ] ],
        [ 'line chosen on a product', 'showline_20.x=1&showline_20.y=1&lineid_20=1&ActivPage=dp_20&LastPage=cp_2', 'lp_1', 'dp_20',
          [ 'Assam Gold', 'Die Tees, die immer gehen.' ] ],
        [ 'index entry', 'show_index.x=1&show_index.y=2&indexid=4&ActivPage=sf&LastPage=sf', 'ip', 'sf', [ 'Assam Gold', 'Probierset' ] ],
        [ 'index choice', 'show_index=Index&ActivPage=cp_1&LastPage=sf', 'ip', 'cp_1',
          [ "<OPTION VALUE=5>Gr\xFCner Tee</OPTION><OPTION VALUE=4>Schwarzer Tee</OPTION>" ] ],
        [ 'search', 'show_search.x=1&show_search.y=1&search_string=KANNE&ActivPage=sf&LastPage=sf', 'sp', 'sf',
          [ 'Teekanne', 'VALUE="KANNE"' ] ],
        [ 'search text alone, umlauts in any case', 'search_string=assam+KR%C4FTIGER&ActivPage=sp&LastPage=sf', 'sp', 'sf', [ 'Assam Gold' ] ],
        [ 'search without hits', 'search_string=Kaffee&show_search=x&ActivPage=sp&LastPage=sf', 'sp', 'sf', [ 'Keine Produkte gefunden.' ] ],
        [ 'exit page', 'show_home.x=1&show_home.y=1&ActivPage=cp_1&LastPage=sf', 'sh', 'cp_1',
          [ 'HREF="http://www.example.com/"', 'Beim Verlassen des Shops' ] ],
        [ 'terms', 'show_agb=1&ActivPage=sf&LastPage=sf', 'agb', 'sf', [ 'Lieferung nur innerhalb der EU.' ] ],
        [ 'an unknown page code is the storefront', 'show_back=x&ActivPage=sf&LastPage=xx_1', 'sf', 'sf', [ 'Willkommen' ] ],
        [ 'an unknown category', 'categorypage_99=x&ActivPage=sf&LastPage=sf', 'sf', 'sf', [ 'Diese Seite gibt es im Shop nicht' ] ],
    );
    foreach my $case (@cases) {
        my ($name, $query, $activ, $last, $texts) = @$case;
        my ($page, $gotActiv, $gotLast) = Page($shop, $query);
        is("$gotActiv $gotLast", "$activ $last", "$name: ActivPage and LastPage");
        foreach my $text (@$texts) {
            ok(index($page, $text) >= 0, "$name: shows $text") or diag $page;
        }
    }
    my ($page) = Page($shop, 'search_string=Assam', 'method' => 'GET');
    like($page, qr/Assam Gold/, 'GET requests work as well');
    ($page) = Page($shop, 'show_window_agb.x=0', 'method' => 'GET');
    like($page, qr/Lieferung nur innerhalb der EU/, 'terms window');
    unlike($page, qr/<FORM/, 'without menu and form');
};

subtest 'cart' => sub {
    my ($page, $activ, $last) = Page($shop, 'show_wk.x=1&show_wk.y=1&ActivPage=cp_1&LastPage=sf&ov_10|101=2&ov_20|201=1');
    is("$activ $last", 'wk cp_1', 'cart reached from a category');
    like($page, qr/NAME="ov_10\|101" VALUE="2"/, 'quantity field');
    like($page, qr{<b>EUR 57\.70</b><BR><FONT COLOR="#7A1F2B">CHF 55\.50</FONT>}, 'sum in both currencies');
    is(scalar(() = $page =~ /TYPE=HIDDEN NAME="ov_10\|101" VALUE="2"/g), 2, 'the order form and the bottom menu carry the cart');
    ($page, $activ, $last) = Page($shop, 'show_recalc=x&ActivPage=wk&LastPage=cp_1&ov_10|101=1%2C5&ov_20|201=0');
    is("$activ $last", 'wk cp_1', 'recalculating keeps the codes');
    like($page, qr/NAME="ov_10\|101" VALUE="1,5"/, 'decimal comma kept');
    unlike($page, qr/ov_20\|201/, 'quantity 0 removes the line');
    like($page, qr/<b>EUR 20\.85<\/b>/, '1,5 x 13.90');
    ($page) = Page($shop, 'buy_20.x=1&buy_20.y=1&add_20|201=1&add_10|100=1&ov_10|100=2&ActivPage=cp_2&LastPage=sf');
    like($page, qr/NAME="ov_10\|100" VALUE="3"/, 'a ticked item already in the cart counts once more');
    like($page, qr/NAME="ov_20\|201" VALUE="1"/, 'a ticked item is added');
    ($page) = Page($shop, 'buy_21=Jetzt&ActivPage=cp_2&LastPage=sf');
    like($page, qr/NAME="ov_21\|210" VALUE="1"/, 'a product with one item needs no tick');
    ($page) = Page($shop, 'show_wk=x&ov_21|210=1');
    like($page, qr/Mindestbestellwert von EUR 5\.00/, 'below the minimum order value');
    unlike($page, qr/NAME="show_order"/, 'no order button then');
};

subtest 'paging' => sub {
    my $big = MakeShop();
    my @ids = 1001 .. 1045;
    Rewrite($big, 'category.toc' => "1|Alles||||\n", 'category.idx' => '1|' . join(',', @ids) . "\n",
        'product.toc' => join('', map { "$_|Produkt $_|||||||||0|0|||\n" } reverse @ids),
        'product.idx' => join('', map { "$_|" . ($_ + 5000) . "\n" } @ids),
        'items.toc' => join('', map { ($_ + 5000) . "|N-$_|||0.00|0.00|1.00|0.00|$_|\n" } @ids));
    my ($page) = Page($big, 'categorypage_1=x&ActivPage=sf&LastPage=sf');
    is_deeply([ $page =~ /<B>Produkt (\d+)<\/B>/g ], [ 1001 .. 1020 ], 'first page: twenty products in category order');
    like($page, qr/NAME="categorypage_1_1" VALUE="&gt;"/, 'button to the next page');
    ($page, my $activ) = Page($big, 'categorypage_1_2=x&ActivPage=cp_1_1&LastPage=sf');
    is_deeply([ $page =~ /<B>Produkt (\d+)<\/B>/g ], [ 1041 .. 1045 ], 'last page');
    is($activ, 'cp_1_2', 'the page number is part of the code');
    unlike($page, qr/categorypage_1_3/, 'no button past the end');
};

subtest 'text-only shop' => sub {
    my $color = join('', map { "\$graphicSet{'$_'}\t= \"\";\n" } qw(ImgBg ImgDiv ImgFind ImgInfo MeBuBuy MeBuBack MeBuHome MeBuIdx MeBuOrder MeBuSearch MeBuCart MeBuFront))
        . join('', map { "\$graphicSet{'$_->[0]'}\t= q{$_->[1]};\n" } [ 'CoBg', '#FFFFFF' ], [ 'CoNTxt', '#000000' ], [ 'CoHTxt', '#800000' ],
               [ 'CoNLnk', '#0000FF' ], [ 'CoALnk', '#FF0000' ], [ 'CoVLnk', '#800080' ]) . "\n1;\n";
    my $text = MakeShop('color' => $color, 'config' => "\$ShopSet{'Logo'} = \"\";\n");
    Rewrite($text, map { my $t = Slurp("$text->{'store'}data/$_"); $t =~ s{\|[^|/]*/\d*/\d*(?=\|)}{|}g; ($_ => $t) }
        qw(category.toc product.toc lines.toc));
    foreach my $query ('', 'categorypage_2=x', 'detailpage_10=x', 'show_search=x&search_string=tee', 'show_wk=x&ov_10|100=1') {
        my ($page) = Page($text, $query);
        unlike($page, qr/<IMG|TYPE=IMAGE|BACKGROUND=/, "no pictures: \"$query\"");
        like($page, qr/<HR WIDTH=620 ALIGN=CENTER>/, "rule as divider: \"$query\"");
        like($page, qr/TYPE=SUBMIT VALUE="Warenkorb"/, "text buttons: \"$query\"");
    }
};

subtest 'offset index of the data files' => sub {
    my $s = MakeShop();
    LoadShop($s);
    my $toc = "$s->{'store'}data/product.toc";
    is(Product::Product(21)->{'name'}, 'Teesieb', 'record found');
    ok(-s "$toc.pos", 'index written beside the data');
    is(Product::Product(99), undef, 'unknown ID');
    is_deeply([ Product::Members('Category', 2) ], [ 20, 21 ], 'index file list');

    # A long member list is split only up to the page shown; a page past the
    # end is the first.
    Rewrite($s, 'category.idx' => '1|' . join(',', 1 .. 44, 'x') . "\n2|\n");
    Product::Forget();
    foreach my $case ([ 0, [ 1 .. 20 ], 0 ], [ 1, [ 21 .. 40 ], 1 ], [ 2, [ 41 .. 44 ], 2 ], [ 3, [ 1 .. 20 ], 0 ],
                      [ undef, [ 1 .. 20 ], 0 ]) {
        my ($page, $ids, $shown) = @$case;
        is_deeply([ Product::MemberPage('Category', 1, $page) ], [ $ids, $shown, 3 ],
            'member page ' . (defined $page ? $page : 'none'));
    }
    is_deeply([ Product::MemberPage('Category', 2, 0) ], [ [], 0, 1 ], 'empty list');
    is_deeply([ Product::MemberPage('Category', 9, 0) ], [ [], 0, 1 ], 'unknown category');

    # Same size and time, lines in another order: the check of each found
    # line catches the stale index.
    my @st = stat $toc;
    Rewrite($s, 'product.toc' => join('', reverse split /^/, Slurp($toc)));
    utime($st[8], $st[9], $toc);
    Product::Forget();
    is(Product::Product(21)->{'name'}, 'Teesieb', 'stale index rebuilt');
    is(Product::Product(10)->{'short'}, 'Malzig und vollmundig', 'another record of the reordered file');

    # A folder where the index file belongs: the index lives in memory.
    unlink "$toc.pos";
    mkdir "$toc.pos";
    Product::Forget();
    is(Product::Product(30)->{'name'}, 'Probierset', 'found without an index file');

    # A request pays for building an index at most once, and only when its
    # data file changed: IDs in another spelling are not looked up, and a miss
    # is a miss.
    Rewrite($s, 'product.toc' => Slurp($toc));
    rmdir "$toc.pos";
    Product::Forget();
    $Product::PosBuilds = 0;
    is(Product::Product(20)->{'name'}, 'Teekanne &quot;Classic&quot;', 'found in a fresh index');
    is($Product::PosBuilds, 1, 'fresh index built once');
    Product::Forget();
    $Product::PosBuilds = 0;
    my %p = map { ("ov_010|$_" => 1) } 1 .. 200;
    my ($lines, $errors) = WebCode::ReadCart(\%p, [ sort keys %p ]);
    is(scalar @$lines . ' ' . scalar @$errors, '0 200', '200 cart keys with leading zeros refused');
    my ($found, $gone) = Product::ResolveCart([ map { { 'pid' => '010', 'iid' => '100', 'qty' => 1 } } 1 .. 200 ]);
    is(scalar @$found . ' ' . scalar @$gone, '0 200', 'and not resolved either');
    is(Product::Product('0' . $_), undef, "product 0$_ not looked up") foreach 10, 20;
    is(scalar(grep { defined Product::Product($_) } 1 .. 9, 12 .. 19, 22 .. 29, 100 .. 300), 0, 'missing IDs miss');
    is($Product::PosBuilds, 0, 'the current index is never rebuilt');
    my @now = stat $toc;
    Rewrite($s, 'product.toc' => Slurp($toc) . "40|Neu|||||||||0|0|||\n");
    utime($now[8], $now[9] + 5, $toc);
    Product::Forget();
    $Product::PosBuilds = 0;
    is(scalar(grep { defined Product::Product($_) } 10, 11, 20, 21, 30, 40, 1 .. 9, 100 .. 300), 6, 'the changed file: every record found, the others missed');
    is($Product::PosBuilds, 1, 'its index built once for all lookups');

    unlink "$s->{'store'}data/items.toc";
    my ($page, undef, undef, $head) = Page($s, 'categorypage_1=x');
    like($head, qr/^Status: 500/, 'missing data file');
    like($page, qr/Die Datei &quot;items\.toc&quot; kann nicht gelesen werden/, 'named on the page');
    unlike($page, qr/\Q$s->{'store'}\E/, 'without the server path');
};

done_testing();
