#!/usr/bin/perl
# The Perl shop's tests run on a hand-written fixture shop; this check keeps it in
# step with what the program really writes. It compares the fixture's data folder
# with a generated shop's: the variables of the three configuration files in their
# order with the form of each value, and the fields of every data file with the
# form of the typed ones (IDs, prices, picture references, ID lists). Keys that come
# from the merchant's data (shipping methods, payments, ...) count as one entry.
#   fixture_agreement.pl FIXTURE_DATA GENERATED_DATA
use strict;
use warnings;

my ($fixture, $generated) = @ARGV;
die "usage: $0 FIXTURE_DATA GENERATED_DATA\n" unless $fixture && $generated;

my %dataKeys = map { $_ => 1 } qw(aShipping Discount RegioTax Gift Payment CCName AcceptOrders OLP_CardType);

sub Slurp {
    open(my $fh, '<', $_[0]) or die "$_[0]: $!\n";
    binmode $fh;
    local $/;
    return scalar <$fh>;
}

sub ValueForm {
    my ($v) = @_;
    return 'q{}' if $v =~ /^q\{.*\}$/s;
    return "'...'" if $v =~ /^'.*'$/s;
    return '"' . ValueForm($1) . '"' if $v =~ /^"(-?\d+(?:\.\d+)?)"$/;
    return '"..."' if $v =~ /^".*"$/s;
    return 'integer' if $v =~ /^-?\d+$/;
    return 'decimal.' . length($1) if $v =~ /^-?\d+\.(\d+)$/;
    return "other($v)";
}

# The shape of a Perl settings file: one entry per assignment, runs of data keys
# of one hash folded into one.
sub ConfigShape {
    my ($text) = @_;
    my @shape;
    foreach my $line (split /\n/, $text) {
        next if $line =~ /^\s*(?:#|$)/;
        if ($line =~ /^\$(\w+)(?:\{'?([^'}]*)'?\})?\s*=\s*(.*?);\s*$/) {
            my ($name, $key, $value) = ($1, $2, $3);
            my $entry = defined $key ? ($dataKeys{$name} ? "\$$name\{*\}" : "\$$name\{$key\}") : "\$$name";
            $entry .= ' = ' . ValueForm($value);
            push @shape, $entry unless @shape && $shape[-1] eq $entry && $entry =~ /\{\*\}/;
        } elsif ($line eq '1;') {
            push @shape, '1;';
        } else {
            push @shape, "line: $line";
        }
    }
    return \@shape;
}

sub FieldForm {
    my ($v) = @_;
    return 'empty' if $v eq '';
    return 'id' if $v =~ /^\d+$/;
    return 'money' if $v =~ /^\d+\.\d\d$/;
    return 'ids' if $v =~ /^\d+(?:,\d+)+$/;
    return 'picture' if $v =~ m{^[a-z0-9_.-]+\.(?:gif|jpg|png|bmp)/\d*/\d*$};
    return 'text';
}

# Field count and the forms each field takes in the file.
sub DataShape {
    my ($text) = @_;
    my (%counts, @forms);
    foreach my $line (split /\n/, $text) {
        my @f = split /\|/, $line, -1;
        $counts{ scalar @f } = 1;
        $forms[$_]{ FieldForm($f[$_]) } = 1 for 0 .. $#f;
    }
    return (join(',', sort keys %counts), \@forms);
}

my $failures = 0;
sub Fail { print "not ok - $_[0]\n"; $failures++; return }

foreach my $file (qw(config.cnf language.cnf color.cnf)) {
    my ($want, $have) = map { ConfigShape(Slurp("$_/$file")) } $generated, $fixture;
    my $n = @$want > @$have ? @$want : @$have;
    my $bad = 0;
    for my $i (0 .. $n - 1) {
        my ($w, $h) = map { defined $_ ? $_ : '(nothing)' } $want->[$i], $have->[$i];
        next if $w eq $h;
        Fail("$file entry " . ($i + 1) . ": the program writes $w, the fixture has $h");
        last if ++$bad >= 5;
    }
    print "ok - $file\n" unless $bad;
}

# Forms that may stand in for each other: an empty field, and an ID list of one ID.
my %compatible = ('id' => { 'ids' => 1 }, 'ids' => { 'id' => 1 });
foreach my $file (qw(category.toc category.idx product.toc product.idx items.toc lines.toc line.idx index.toc index.idx)) {
    my ($wantCount, $wantForms) = DataShape(Slurp("$generated/$file"));
    my ($haveCount, $haveForms) = DataShape(Slurp("$fixture/$file"));
    my $bad = 0;
    if ($wantCount ne $haveCount) {
        Fail("$file: the program writes $wantCount fields a line, the fixture $haveCount");
        next;
    }
    for my $i (0 .. $#$wantForms) {
        my %typed = map { $_ => 1 } grep { $_ ne 'empty' && $_ ne 'text' } keys %{ $wantForms->[$i] };
        next unless %typed;
        foreach my $form (grep { $_ ne 'empty' } keys %{ $haveForms->[$i] }) {
            next if $typed{$form} || grep { $compatible{$_}{$form} } keys %typed;
            Fail("$file field " . ($i + 1) . ": the program writes " . join('/', sort keys %typed) . ", the fixture has $form");
            $bad++;
        }
    }
    print "ok - $file\n" unless $bad;
}
print $failures ? "$failures failed\n" : "fixture and generated shop agree\n";
exit($failures ? 1 : 0);
