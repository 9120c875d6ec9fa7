# Order totals: discount, shipping, insurance, gift service, payment and
# taxes, with amounts worked out by hand.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use Test::More;
use ShopFixture qw(MakeShop LoadShop);

LoadShop(MakeShop());

sub Configure {
    my (%set) = @_;
    my %g = (
        'Shipping_Typ' => 0, 'aShipping' => { '00_Paket' => '0.00/4.90,50.00/0.00' },
        'Discount_Typ' => 0, 'Discount' => {}, 'Taxes' => 0, 'RegioTax' => {},
        'Gifts' => 0, 'Gift' => {}, 'Gift_Cost' => 0, 'Gift_Type' => 0, 'Gift_Message' => 0, 'Gift_TextCost' => 0,
        'Payment' => { 'Vorkasse' => '0.00', 'Nachnahme' => '6.00' },
        'Shipping_Ensurance' => 0, 'Shipping_Ensurance_Value' => 0, 'Shipping_Ensurance_Limit' => 0,
        'Shipping_Ensurance_Replace' => 0, 'Shipping_Ensurance_Replace_Value' => 0,
        %set,
    );
    no strict 'refs';    ## no critic (ProhibitNoStrict)
    foreach my $name (keys %g) {
        if (ref $g{$name}) { %{"main::$name"} = %{ $g{$name} } } else { ${"main::$name"} = $g{$name} }
    }
    return;
}

sub Line {
    my ($qty, $price, $weight, $ship, $tax) = @_;
    return { 'qty' => $qty, 'product' => { 'tax' => $tax },
             'item' => { 'mprice' => $price, 'weight' => $weight, 'ship' => $ship } };
}

# Two teapots at 12.50 (0.50 kg, own shipping 1.00, 19 %) and a tin at 30.00
# (2 kg, 7 %): goods 55.00, quantity 3, weight 3.00 kg.
my %carts = (
    'two' => [ Line(2, 12.50, 0.50, 1.00, '19.00'), Line(1, 30.00, 2.00, 0, '7.00') ],
    'tin' => [ Line(1, 30.00, 2.00, 0, '7.00') ],
    'weightless' => [ Line(2, 12.50, 0, 0, ''), Line(1, 30.00, 0, 0, '') ],
    'half' => [ Line(1.5, 12.50, 0.50, 0, '') ],
);
my %choice = ('versand' => '00_Paket', 'payment_typ' => 'Vorkasse');

my @cases = (
    # name, settings, cart, choices, expected
    [ 'goods above the free-shipping break', {}, 'two', {}, { 'shipping' => 0, 'total' => 55.00 } ],
    [ 'goods below the free-shipping break', {}, 'tin', {}, { 'shipping' => 4.90, 'total' => 34.90 } ],
    [ 'shipping by quantity', { 'Shipping_Typ' => 1, 'aShipping' => { '00_Paket' => '0.00/3.00,2.00/5.00,5.00/8.00' } },
      'two', {}, { 'shipping' => 5.00, 'total' => 60.00 } ],
    [ 'shipping by weight', { 'Shipping_Typ' => 2, 'aShipping' => { '00_Paket' => '0.00/2.00,1.00/4.00,5.00/9.00' } },
      'two', {}, { 'shipping' => 4.00, 'total' => 59.00 } ],
    [ 'a break of 0 charges nothing for no weight', { 'Shipping_Typ' => 2, 'aShipping' => { '00_Paket' => '0.00/2.00' } },
      'weightless', {}, { 'shipping' => 0, 'total' => 55.00 } ],
    [ 'flat shipping', { 'Shipping_Typ' => 3, 'aShipping' => { '00_Paket' => '0.00/6.50' } },
      'two', {}, { 'shipping' => 6.50, 'total' => 61.50 } ],
    [ 'shipping as the items charge it', { 'Shipping_Typ' => 4, 'aShipping' => { '00_Paket' => '0.00/0.00' } },
      'two', {}, { 'shipping' => 2.00, 'total' => 57.00 } ],
    [ 'free shipping', { 'Shipping_Typ' => 5, 'aShipping' => { '00_Paket' => '0.00/0.00' } },
      'tin', {}, { 'shipping' => 0, 'total' => 30.00 } ],
    [ 'discount as an amount', { 'Discount_Typ' => 1, 'Discount' => { '50.00' => 5, '100.00' => 12 } },
      'two', {}, { 'discount' => 5.00, 'total' => 50.00 } ],
    [ 'discount in percent of the goods', { 'Discount_Typ' => 2, 'Discount' => { '20.00' => 5, '50.00' => 10 } },
      'two', {}, { 'discount' => 5.50, 'total' => 49.50 } ],
    [ 'discount in percent by quantity', { 'Discount_Typ' => 3, 'Discount' => { '2.00' => 5, '10.00' => 10 } },
      'two', {}, { 'discount' => 2.75, 'total' => 52.25 } ],
    [ 'goods below the first discount break', { 'Discount_Typ' => 1, 'Discount' => { '100.00' => 12 } },
      'two', {}, { 'discount' => 0, 'total' => 55.00 } ],
    [ 'an amount discount never exceeds the goods', { 'Discount_Typ' => 1, 'Discount' => { '0.00' => 100 } },
      'two', {}, { 'discount' => 55.00, 'total' => 0 } ],
    [ 'regional tax on the whole order', { 'Taxes' => 1, 'RegioTax' => { 'Bayern' => 19, 'Wien' => 20 } },
      'tin', { 'b_state' => 'Wien', 'payment_typ' => 'Nachnahme' },
      { 'shipping' => 4.90, 'payment' => 6.00, 'tax' => 8.18, 'total' => 49.08 } ],
    [ 'contained tax per rate', { 'Taxes' => 2 }, 'two', {},
      { 'contained' => { '19.00' => 3.99, '7.00' => 1.96 }, 'tax' => 0, 'total' => 55.00 } ],
    [ 'contained tax after a discount', { 'Taxes' => 2, 'Discount_Typ' => 2, 'Discount' => { '50.00' => 10 } }, 'two', {},
      { 'contained' => { '19.00' => 3.59, '7.00' => 1.77 }, 'total' => 49.50 } ],
    [ 'gift wrap once per order with a message',
      { 'Gifts' => 1, 'Gift' => { 'Rot' => '1.gif/75/75' }, 'Gift_Cost' => 2.50, 'Gift_Message' => 1, 'Gift_TextCost' => 1 },
      'two', { 'gift_wrap' => 'Rot', 'gift_txt' => 'Alles Gute' }, { 'gift' => 3.50, 'total' => 58.50 } ],
    [ 'gift wrap per item', { 'Gifts' => 1, 'Gift' => { 'Rot' => '1.gif/75/75' }, 'Gift_Cost' => 2.50, 'Gift_Type' => 1 },
      'two', { 'gift_wrap' => 'Rot' }, { 'gift' => 7.50, 'total' => 62.50 } ],
    [ 'transport insurance', { 'Shipping_Typ' => 3, 'aShipping' => { '00_Paket' => '0.00/6.50' },
      'Shipping_Ensurance' => 1, 'Shipping_Ensurance_Value' => 1.5, 'Shipping_Ensurance_Limit' => 50 },
      'two', {}, { 'shipping' => 6.50, 'insurance' => 0.83, 'total' => 62.33 } ],
    [ 'insurance in place of shipping', { 'Shipping_Typ' => 3, 'aShipping' => { '00_Paket' => '0.00/6.50' },
      'Shipping_Ensurance' => 1, 'Shipping_Ensurance_Value' => 1.5, 'Shipping_Ensurance_Limit' => 50,
      'Shipping_Ensurance_Replace' => 1, 'Shipping_Ensurance_Replace_Value' => 50 },
      'two', {}, { 'shipping' => 0, 'insurance' => 0.83, 'total' => 55.83 } ],
    [ 'goods below the insurance limit', { 'Shipping_Typ' => 3, 'aShipping' => { '00_Paket' => '0.00/6.50' },
      'Shipping_Ensurance' => 1, 'Shipping_Ensurance_Value' => 1.5, 'Shipping_Ensurance_Limit' => 100 },
      'two', {}, { 'shipping' => 6.50, 'insurance' => 0, 'total' => 61.50 } ],
    [ 'payment charge', {}, 'two', { 'payment_typ' => 'Nachnahme' }, { 'payment' => 6.00, 'total' => 61.00 } ],
    [ 'a quantity with decimals', {}, 'half', {}, { 'goods' => 18.75, 'shipping' => 4.90, 'total' => 23.65 } ],
);

foreach my $case (@cases) {
    my ($name, $settings, $cart, $choices, $expected) = @$case;
    Configure(%$settings);
    my $t = Sales::Totals($carts{$cart}, { %choice, %$choices });
    my %got = map { $_ => $t->{$_} } keys %$expected;
    is_deeply(\%got, $expected, $name) or diag explain $t;
}

# The steps refuse these choices; the totals must never price one of them as
# nothing. A trailing blank counts: the totals see the normalised values only.
subtest 'a choice without a configured row is never priced' => sub {
    my %gifts = ('Gifts' => 1, 'Gift' => { 'Rot' => '' }, 'Gift_Cost' => 2.50, 'Gift_Message' => 1, 'Gift_TextCost' => 1);
    my @refused = (
        [ 'unknown shipping method', {}, { 'versand' => '09_Sonst' }, qr/versand/ ],
        [ 'shipping method with a trailing blank', {}, { 'versand' => '00_Paket ' }, qr/versand/ ],
        [ 'no shipping method', {}, { 'versand' => undef }, qr/versand/ ],
        [ 'payment with a trailing blank', {}, { 'payment_typ' => 'Nachnahme ' }, qr/payment_typ/ ],
        [ 'no payment', {}, { 'payment_typ' => '' }, qr/payment_typ/ ],
        [ 'wrap the shop does not offer', \%gifts, { 'gift_wrap' => 'Lila' }, qr/gift_wrap/ ],
        [ 'wrap with a trailing blank', \%gifts, { 'gift_wrap' => 'Rot ' }, qr/gift_wrap/ ],
        [ 'wrap in a shop without wraps', { %gifts, 'Gifts' => 0 }, { 'gift_wrap' => 'Rot' }, qr/gift_wrap/ ],
        [ 'message in a shop without messages', { %gifts, 'Gift_Message' => 0 }, { 'gift_txt' => 'x' }, qr/gift message/ ],
        [ 'region without a rate', { 'Taxes' => 1, 'RegioTax' => { 'Bayern' => 19 } }, { 'b_state' => 'Mars' }, qr/b_state/ ],
        [ 'region with a trailing blank', { 'Taxes' => 1, 'RegioTax' => { 'Bayern' => 19 } }, { 'b_state' => 'Bayern ' }, qr/b_state/ ],
        [ 'no region where regional tax applies', { 'Taxes' => 1, 'RegioTax' => { 'Bayern' => 19 } }, {}, qr/b_state/ ],
    );
    foreach my $case (@refused) {
        my ($name, $settings, $choices, $why) = @$case;
        Configure(%$settings);
        my $t = eval { Sales::Totals($carts{'tin'}, { %choice, %$choices }) };
        ok(!$t, "$name: no totals") or diag explain $t;
        like($@, $why, "$name: names the choice");
    }
    Configure(%gifts);
    is(Sales::Totals($carts{'tin'}, { %choice, 'gift_wrap' => '' })->{'gift'}, 0, 'no wrap chosen costs nothing');
};

subtest 'money rounds half up to the cent' => sub {
    is(WebCode::Round2(0.825), 0.83, '0.825');
    is(WebCode::Round2(2.675), 2.68, '2.675');
    is(WebCode::Round2(1.004999), 1.00, '1.004999');
    is(WebCode::Round2(-0.125), -0.13, '-0.125');
};

done_testing();
