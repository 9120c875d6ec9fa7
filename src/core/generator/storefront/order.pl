# Vendora order script
# Version 1.12
#
# Leads the customer through the order steps: customer data, gift service,
# order channel with shipping and payment, summary, card payment and receipt.
# The program writes the interpreter line and the require of config.cnf in
# front of this text.

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
require 'sales.pm';      ## no critic (RequireBarewordIncludes)

sub CartButton {
    my ($o) = @_;
    return '</FORM>' . Sales::CancelForm($o, $::pszWKButton);
}

sub Main {
    my ($params, $names) = @_;
    if (uc($ENV{'REQUEST_METHOD'} || 'GET') ne 'POST' || !@$names) {
        print WebCode::MessagePage('title' => $::pszOrderButton,
            'message' => 'Bitte legen Sie Artikel in den Warenkorb und bestellen Sie von dort aus.');
        return;
    }
    if ($::OLP) {
        require olpcnf;
    }
    my ($cart, $cartErrors) = WebCode::ReadCart($params, $names);
    my ($lines, $gone) = Product::ResolveCart($cart);
    # The customer's entries are normalised here, once; every step checks,
    # prices, carries and mails that one value.
    my $o = { 'v' => Sales::Normalise($params), 'lines' => $lines, 'return' => WebCode::PageCode($params->{'ReturnPage'}) };

    my $problem;
    if (@$cartErrors) {
        $problem = WebCode::QuantityRefusal($cartErrors->[0]{'value'}, 'ist ung&uuml;ltig');
    } elsif (@$gone) {
        $problem = WebCode::ItemGoneText();
    } elsif (!@$lines) {
        $problem = $::pszWkNoItems;
    } else {
        my ($goods) = Product::CartTotals($lines);
        $problem = WebCode::MinOrderText() if WebCode::BelowMinimum($goods);
    }
    if ($problem) {
        print WebCode::MessagePage('title' => $::pszWKName, 'script' => 'Order', 'message' => $problem,
            'buttons' => CartButton($o));
        return;
    }

    my $at = WebCode::OrderStep($params->{'ActivPage'});
    if (!defined $at) {
        print Sales::Show($o, 0);
        return;
    }
    my $find = sub { WebCode::FindParam($names, $_[0]) };
    if ($find->('show_back')) {
        # Back is checked like forward: the page before may show totals.
        print Sales::Show($o, Sales::PrevStep($at, $o->{'v'}));
    } elsif ($find->('show_billings')) {
        print Sales::Show($o, 2);
    } elsif ($find->('show_reload')) {
        print Sales::Show($o, 3);
    } elsif ($find->('show_next')) {
        print Sales::Show($o, Sales::NextStep($at, $o->{'v'}), $at);
    } else {
        print Sales::Show($o, $at == 5 ? 3 : $at);
    }
    return;
}

# Card and account numbers travel in the request body only, never in an
# address that a log or a proxy keeps.
WebCode::Run('Order', \&Main, 'postOnly' => 1);

1;
