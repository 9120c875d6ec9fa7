# Vendora catalogue script
# Version 1.12
#
# Shows the storefront, categories, product lines, details, search, index,
# cart, terms and exit pages. The program writes the interpreter line and the
# require of config.cnf in front of this text.

use strict;
use warnings;
no warnings 'once';
# The modules lie beside the script. Found from $0 rather than with FindBin, which
# loads Cwd and the path modules and costs a third of a catalogue request's time.
BEGIN { unshift @INC, $0 =~ m{\A(.*)/} ? $1 : '.' }

require $::ConfFile{'Language'};
require $::ConfFile{'GraphicSet'};
require 'webcode.pm';    ## no critic (RequireBarewordIncludes) - the file name is lower case
require 'product.pm';    ## no critic (RequireBarewordIncludes)

sub Refuse {
    my ($message) = @_;
    print WebCode::RefusePage($message);
    return;
}

# One note for each kind of refused cart field, each said once.
sub CartNotes {
    my ($st, $errors) = @_;
    my %said;
    foreach my $e (@$errors) {
        my $note;
        if (!defined $e->{'pid'}) {
            $note = 'Ein ung&uuml;ltiger Warenkorbeintrag wurde verworfen.';
        } elsif ($e->{'full'}) {
            $note = 'Der Warenkorb ist voll; weitere Artikel wurden nicht &uuml;bernommen.';
        } else {
            $note = WebCode::QuantityRefusal($e->{'value'}, 'wurde nicht &uuml;bernommen');
        }
        push @{ $st->{'notes'} }, $note unless $said{$note}++;
    }
    return;
}

# "Jetzt kaufen!": every ticked item goes into the cart once more; a product
# with a single item needs no tick.
sub Buy {
    my ($st, $buyName) = @_;
    my ($params, $names, $cart) = @$st{qw(params names cart)};
    my %line = map { ("$_->{'pid'}|$_->{'iid'}" => $_) } @$cart;
    my @picked = grep { WebCode::AddId($_) } @$names;
    if (!@picked) {
        my ($pid) = WebCode::ButtonId($buyName, 'buy_');
        my @items = defined $pid ? Product::Members('Product', $pid) : ();
        @picked = ("add_$pid|$items[0]") if @items == 1;
    }
    push @{ $st->{'notes'} }, 'Bitte kreuzen Sie den gew&uuml;nschten Artikel an.' unless @picked;
    foreach my $name (@picked) {
        my ($pid, $iid) = WebCode::AddId($name);
        if ($line{"$pid|$iid"}) {
            my $qty = $line{"$pid|$iid"}{'qty'} + 1;
            $line{"$pid|$iid"}{'qty'} = $qty if $qty <= $WebCode::MaxQuantity;
        } elsif (@$cart < $WebCode::MaxCartLines) {
            push @$cart, $line{"$pid|$iid"} = { 'pid' => $pid, 'iid' => $iid, 'qty' => 1 };
        }
    }
    return;
}

sub ShowCart {
    my ($st) = @_;
    my ($lines, $gone) = Product::ResolveCart($st->{'cart'});
    push @{ $st->{'notes'} }, WebCode::ItemGoneText() if @$gone;
    $st->{'lines'} = $lines;
    $st->{'cart'} = $lines;
    return Product::CartPage($st);
}

# The page of each page code, given the state and the code's ID and page
# number; the legal pages other than the terms share one.
my %Show = (
    'cp'  => \&Product::CategoryPage,
    'lp'  => \&Product::LinePage,
    'dp'  => sub { Product::DetailPage($_[0], $_[1]) },
    'wk'  => \&ShowCart,
    'sp'  => sub { Product::SearchPage($_[0], '') },
    'ip'  => sub { Product::IndexPage($_[0], undef) },
    'sh'  => \&Product::ExitPage,
    'agb' => \&Product::AgbPage,
    'sf'  => \&Product::StoreFront,
);

# Shows the page that a page code names.
sub ShowCode {
    my ($st, $code) = @_;
    my ($page, @args) = WebCode::PageParts($code);
    return $Show{$page}->($st, @args) if $Show{$page};
    return Product::LegalPage($st, $page);
}

sub Main {
    my ($params, $names) = @_;
    my ($cart, $cartErrors) = WebCode::ReadCart($params, $names);
    my $st = {
        'params' => $params, 'names' => $names, 'cart' => $cart, 'notes' => [],
        'inActiv' => WebCode::PageCode($params->{'ActivPage'}), 'inLast' => WebCode::PageCode($params->{'LastPage'}),
    };
    CartNotes($st, $cartErrors);

    # Decide the page and its code; the page left becomes "LastPage".
    my ($code, $show);
    my $find = sub { WebCode::FindParam($names, $_[0]) };
    my $name;
    if (defined($name = WebCode::FindParam($names, 'buy_'))) {
        Buy($st, $name);
        ($code, $show) = ('wk', \&ShowCart);
    } elsif ($find->('show_back')) {
        $code = $st->{'inLast'};
        $st->{'activ'} = $code;
        $st->{'last'} = 'sf';
        print ShowCode($st, $code);
        return;
    } elsif ($find->('show_recalc')) {
        @$st{qw(activ last)} = @$st{qw(inActiv inLast)};
        print ShowCart($st);
        return;
    } elsif ($find->('show_wk')) {
        ($code, $show) = ('wk', \&ShowCart);
    } elsif (defined($name = $find->('show_index'))) {
        my ($id, $page) = WebCode::ButtonId($name, 'show_index_');
        $id = $params->{'indexid'} unless defined $id;
        return Refuse('Der Index ist ung&uuml;ltig.') if defined $id && !WebCode::IsId($id);
        ($code, $show) = ('ip', sub { Product::IndexPage($_[0], $id, $page) });
    } elsif ($find->('show_home')) {
        ($code, $show) = ('sh', \&Product::ExitPage);
    } elsif ($find->('show_window_agb')) {
        print Product::AgbWindow();
        return;
    } elsif ($find->('show_agb')) {
        ($code, $show) = ('agb', \&Product::AgbPage);
    } elsif (my ($legal) = grep { $find->($_->[0]) } @WebCode::LegalPages) {
        my $page = $legal->[1];
        ($code, $show) = ($page, sub { ShowCode($_[0], $page) });
    } else {
        my %pages = (
            'categorypage_' => ['cp', \&Product::CategoryPage],
            'linepage_'     => ['lp', \&Product::LinePage],
            'detailpage_'   => ['dp', \&Product::DetailPage],
        );
        foreach my $word (qw(categorypage_ linepage_ detailpage_ showline_)) {
            defined($name = $find->($word)) or next;
            my ($id, $page) = WebCode::ButtonId($name, $word);
            if ($word eq 'showline_') {
                return Refuse('Die Produktlinie ist ung&uuml;ltig.') unless defined $id;
                $id = $params->{"lineid_$id"};
                return Refuse('Die Produktlinie ist ung&uuml;ltig.') unless WebCode::IsId($id);
                ($code, $show) = ("lp_$id", sub { Product::LinePage($_[0], $id) });
                last;
            }
            return Refuse('Die Seite ist ung&uuml;ltig.') unless defined $id;
            my ($prefix, $sub) = @{ $pages{$word} };
            $page = undef if $prefix eq 'dp';
            $code = "${prefix}_$id" . (defined $page ? "_$page" : '');
            $show = sub { $sub->($_[0], $id, $page) };
            last;
        }
        if (!$show) {
            if ($find->('show_search') || (defined $params->{'search_string'} && $params->{'search_string'} =~ /\S/)) {
                my $text = $params->{'search_string'};
                ($code, $show) = ('sp', sub { Product::SearchPage($_[0], $text) });
            } else {
                ($code, $show) = ('sf', \&Product::StoreFront);
            }
        }
    }
    $st->{'activ'} = $code;
    $st->{'last'} = $code eq $st->{'inActiv'} ? $st->{'inLast'} : $st->{'inActiv'};
    print $show->($st);
    return;
}

WebCode::Run('Catalog', \&Main);

1;
