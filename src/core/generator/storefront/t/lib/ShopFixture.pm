# Test helpers: a fixture shop laid out as on a server, CGI runs of its
# scripts, a fake mail program and loopback servers.
package ShopFixture;

use strict;
use warnings;
use File::Temp qw(tempdir);
use File::Copy qw(copy);
use File::Path qw(make_path);
use File::Basename qw(dirname);
use File::Spec;
use Cwd qw(abs_path);
use IPC::Open3 qw(open3);
use Symbol qw(gensym);
use Exporter qw(import);
use Time::HiRes ();

our @EXPORT_OK = qw(MakeShop RunCgi LoadShop Mails FormFields ScriptDir FreePort StartWebServer StopServer Form Submit Serve OrderWalk CgiPost);

my $Here = dirname(abs_path(__FILE__));
my $ScriptDir = abs_path("$Here/../..");
my $Fixture = "$Here/../fixtures/shop";

sub ScriptDir { return $ScriptDir }

sub Slurp {
    my ($path) = @_;
    open(my $fh, '<', $path) or die "$path: $!";
    binmode $fh;
    local $/;
    return scalar <$fh>;
}

sub Spew {
    my ($path, $text) = @_;
    open(my $fh, '>', $path) or die "$path: $!";
    binmode $fh;
    print {$fh} $text;
    close $fh or die "$path: $!";
    return;
}

# A shop in a fresh folder: "store/" with data and picture folders, "cgi/"
# with the scripts as publishing writes them, "mail/" for the fake mail
# program. %opt: config => Perl lines that override config.cnf, color =>
# replacement colour file text, url => shop URL, cgi_url => script URL,
# olpcnf => extra lines for olpcnf.pm.
sub MakeShop {
    my (%opt) = @_;
    my $root = tempdir('vendora-shop-XXXXXX', TMPDIR => 1, CLEANUP => 1);
    my $store = "$root/store/";
    make_path(map { "$store$_" } qw(data imgs thumbs prods cats lines wraps));
    make_path("$root/cgi", "$root/mail");
    my $sendmail = "$root/sendmail";
    Spew($sendmail, <<"SCRIPT");
#!$^X
# Writes each mail and its options into the sink folder.
my \$n = time . "-\$\$";
open(my \$o, '>', "$root/mail/\$n.args") or die; print \$o join(' ', \@ARGV); close \$o;
open(my \$m, '>', "$root/mail/\$n.eml") or die; binmode \$m; binmode STDIN; print \$m \$_ while <STDIN>; close \$m;
exit(\$ENV{'FAKE_SENDMAIL_FAIL'} ? 1 : 0);
SCRIPT
    chmod 0755, $sendmail;
    opendir(my $dh, "$Fixture/data") or die $!;
    foreach my $file (grep { !/^\./ } readdir $dh) {
        my $text = Slurp("$Fixture/data/$file");
        if ($file eq 'config.cnf') {
            my %sub = ('@STORE_URL@' => $opt{'url'} || 'http://127.0.0.1/shop/',
                '@CGI_URL@' => $opt{'cgi_url'} || 'http://127.0.0.1/cgi-bin/',
                '@STORE_PATH@' => $store, '@SENDMAIL@' => $sendmail);
            $text =~ s/(\@[A-Z_]+\@)/$sub{$1}/g;
            $text =~ s/\n1;\n\z/\n$opt{'config'}\n1;\n/ if $opt{'config'};
        }
        $text = $opt{'color'} if $file eq 'color.cnf' && defined $opt{'color'};
        Spew("$store/data/$file", $text);
    }
    closedir $dh;
    my $header = "#!$^X\n#\nrequire '${store}data/config.cnf';\n\n";
    Spew("$root/cgi/catalog.pl", $header . Slurp("$ScriptDir/catalog.pl"));
    Spew("$root/cgi/order.pl", $header . Slurp("$ScriptDir/order.pl"));
    chmod 0755, "$root/cgi/catalog.pl", "$root/cgi/order.pl";
    copy("$ScriptDir/$_", "$root/cgi/$_") or die $! foreach qw(webcode.pm product.pm sales.pm Payvane.pm);
    Spew("$root/cgi/olpcnf.pm", "# Vendora Payvane settings\n# Version 1.00\n\npackage\tolpcnf;\n\n"
        . "\$OLP_CardType{'euro'} = q{Eurocard / Mastercard};\n\$OLP_CardType{'visa'} = q{Visa};\n"
        . "\$OLP_CardType{'amex'} = q{American Express};\n\$OLP_CardType{'diner'} = q{Diners Club};\n"
        . ($opt{'olpcnf'} || '') . '1;');
    # The graphic set's pictures, so that pages can be looked at.
    my $set = "$ScriptDir/../../../../resources/GraphicSets/Senator";
    if (opendir(my $sd, $set)) {
        copy("$set/$_", "${store}imgs/$_") foreach grep { /\.png$/ } readdir $sd;
        copy("$set/bl-logo.png", "${store}imgs/logo.gif");
        closedir $sd;
    }
    return { 'root' => $root, 'store' => $store, 'cgi' => "$root/cgi", 'mail' => "$root/mail" };
}

sub FreePort {
    require IO::Socket::INET;
    my $probe = IO::Socket::INET->new('LocalAddr' => '127.0.0.1', 'LocalPort' => 0, 'Listen' => 1, 'ReuseAddr' => 1)
        or die "no free port: $!";
    my $port = $probe->sockport;
    close $probe;
    return $port;
}

sub WaitForPort {
    my ($port) = @_;
    require IO::Socket::INET;
    for (1 .. 100) {
        my $s = IO::Socket::INET->new('PeerAddr' => '127.0.0.1', 'PeerPort' => $port, 'Timeout' => 1);
        return 1 if $s;
        Time::HiRes::sleep(0.1);
    }
    return 0;
}

# Runs the shop under lighttpd with mod_cgi on 127.0.0.1: the pictures under
# "/shop/", the scripts under "/cgi-bin/". Returns the port; the shop's
# addresses in config.cnf must have been made with that port.
sub StartWebServer {
    my ($shop, $port) = @_;
    my $lighttpd = -x '/usr/sbin/lighttpd' ? '/usr/sbin/lighttpd' : 'lighttpd';
    my $conf = "$shop->{'root'}/lighttpd.conf";
    mkdir "$shop->{'root'}/www";
    Spew($conf, <<"CONF");
server.modules = ("mod_access", "mod_alias", "mod_cgi")
server.bind = "127.0.0.1"
server.port = $port
server.document-root = "$shop->{'root'}/www"
server.errorlog = "$shop->{'root'}/lighttpd.log"
alias.url = ("/cgi-bin/" => "$shop->{'cgi'}/", "/shop/" => "$shop->{'store'}")
\$HTTP["url"] =~ "^/shop/data/" { url.access-deny = ("") }
\$HTTP["url"] =~ "^/cgi-bin/" { cgi.assign = (".pl" => "$^X") }
url.access-deny += (".pm", ".cnf", ".pos")
mimetype.assign = (".png" => "image/png", ".gif" => "image/gif", ".jpg" => "image/jpeg", ".html" => "text/html")
CONF
    my $pid = fork();
    die "fork: $!" unless defined $pid;
    if ($pid == 0) {
        open(STDOUT, '>', "$shop->{'root'}/lighttpd.out");
        open(STDERR, '>&', \*STDOUT);
        exec($lighttpd, '-D', '-f', $conf) or exit 127;
    }
    $shop->{'server'} = $pid;
    die "lighttpd did not start: " . (-e "$shop->{'root'}/lighttpd.log" ? Slurp("$shop->{'root'}/lighttpd.log") : '')
        . Slurp("$shop->{'root'}/lighttpd.out") unless WaitForPort($port);
    return $port;
}

sub StopServer {
    my ($shop) = @_;
    my $pid = delete $shop->{'server'} or return;
    kill 'TERM', $pid;
    waitpid($pid, 0);
    return;
}

# An url-encoded form body from [name, value] pairs.
sub Form {
    my @pairs = @_;
    my $enc = sub { my $s = shift; $s =~ s/([^A-Za-z0-9_.~-])/sprintf('%%%02X', ord $1)/ge; $s };
    return join '&', map { $enc->($_->[0]) . '=' . $enc->($_->[1]) } @pairs;
}

# Runs a script of the shop as a CGI program. Returns (head, body).
sub RunCgi {
    my ($shop, $script, %req) = @_;
    my $body = defined $req{'body'} ? $req{'body'} : '';
    my $method = $req{'method'} || (length $body ? 'POST' : 'GET');
    local $ENV{'REQUEST_METHOD'} = $method;
    local $ENV{'QUERY_STRING'} = defined $req{'query'} ? $req{'query'} : '';
    local $ENV{'CONTENT_LENGTH'} = defined $req{'length'} ? $req{'length'} : length $body;
    local $ENV{'CONTENT_TYPE'} = $req{'type'} || 'application/x-www-form-urlencoded';
    local $ENV{'GATEWAY_INTERFACE'} = 'CGI/1.1';
    local @ENV{ keys %{ $req{'env'} || {} } } = values %{ $req{'env'} || {} };
    my $err = gensym;
    my $pid = open3(my $in, my $out, $err, $^X, "$shop->{'cgi'}/$script");
    binmode $in;
    binmode $out;
    local $SIG{"PIPE"} = "IGNORE";
    print {$in} $body;
    close $in;
    my $text = do { local $/; <$out> };
    my $errors = do { local $/; <$err> };
    waitpid($pid, 0);
    die "$script failed: $errors" if $? != 0;
    die "$script wrote warnings: $errors" if length $errors && !$req{"quiet"};
    my ($head, $page) = split /\r\n\r\n/, $text, 2;
    return ($head, $page);
}

# A required file starts in the package of the caller; the shop's files
# belong to main.
sub LoadIntoMain {
    my ($path) = @_;
    package main;    ## no critic (ProhibitMultiplePackages)
    require $path;
    return;
}

# Loads the shop's three configuration files into main, as the scripts do,
# and the modules.
sub LoadShop {
    my ($shop) = @_;
    unshift @INC, $shop->{'cgi'};
    LoadIntoMain("$shop->{'store'}data/config.cnf");
    LoadIntoMain($main::ConfFile{'Language'});
    LoadIntoMain($main::ConfFile{'GraphicSet'});
    require 'webcode.pm';    ## no critic (RequireBarewordIncludes)
    require 'product.pm';    ## no critic (RequireBarewordIncludes)
    require 'sales.pm';      ## no critic (RequireBarewordIncludes)
    require Payvane;
    require olpcnf;
    WebCode::Init();
    return;
}

# The mails in the sink: [ { args, text } ] in the order they were written.
sub Mails {
    my ($shop) = @_;
    opendir(my $dh, $shop->{'mail'}) or die $!;
    my @names = sort { -M "$shop->{'mail'}/$b" <=> -M "$shop->{'mail'}/$a" || $a cmp $b } grep { /\.eml$/ } readdir $dh;
    closedir $dh;
    return [ map { (my $a = $_) =~ s/\.eml$/.args/;
                   { 'args' => Slurp("$shop->{'mail'}/$a"), 'text' => Slurp("$shop->{'mail'}/$_") } } @names ];
}

# The fields a browser would send from the form that holds the button
# $button: hidden fields, text fields, chosen options and checked boxes, in
# page order. Returns (script file name, button type, fields).
sub FormFields {
    my ($page, $button) = @_;
    my @forms = $page =~ m{(<FORM\b.*?)(?=<FORM\b|\z)}gis;
    foreach my $form (@forms) {
        next unless $form =~ /<INPUT[^>]*NAME="\Q$button\E"[^>]*>/;
        my $input = $&;
        my $type = $input =~ /TYPE=IMAGE/i ? 'image' : 'submit';
        my ($script) = $form =~ /ACTION="[^"]*?([^\/"]*)"/;
        my @fields;
        while ($form =~ m{<INPUT\b([^>]*)>|<TEXTAREA\b([^>]*)>(.*?)</TEXTAREA>|<SELECT\b([^>]*)>(.*?)</SELECT>}gis) {
            my ($input, $taAttr, $taText, $selAttr, $options) = ($1, $2, $3, $4, $5);
            if (defined $input) {
                my $attr = $input;
                my ($type) = $attr =~ /TYPE=(\w+)/i;
                my ($name) = $attr =~ /NAME="([^"]*)"/i;
                my ($value) = $attr =~ /VALUE="([^"]*)"/i;
                next unless defined $name;
                $type = lc($type || 'text');
                next if $type eq 'submit' || $type eq 'image';
                next if ($type eq 'radio' || $type eq 'checkbox') && $attr !~ /CHECKED/i;
                push @fields, [ $name, Unescape(defined $value ? $value : '') ];
            } elsif (defined $taAttr) {
                my ($name) = $taAttr =~ /NAME="([^"]*)"/i;
                push @fields, [ $name, Unescape($taText) ] if defined $name;
            } else {
                my ($name) = $selAttr =~ /NAME="([^"]*)"/i;
                my ($value) = $options =~ /<OPTION VALUE="?([^">]*)"? SELECTED/i;
                ($value) = $options =~ /<OPTION VALUE="?([^">]*)"?/i unless defined $value;
                push @fields, [ $name, Unescape($value) ] if defined $name && defined $value;
            }
        }
        return ($script, $type, @fields);
    }
    die "no form with $button";
}

# Presses $button on $page as a browser would, with the fields of %set
# filled in (undef removes a field); $post->(script, body) sends the form.
sub Submit {
    my ($post, $page, $button, %set) = @_;
    my ($script, $type, @fields) = FormFields($page, $button);
    my %done;
    my @sent;
    foreach my $field (@fields) {
        my $name = $field->[0];
        if (exists $set{$name}) {
            next if $done{$name}++;
            push @sent, [ $name, $set{$name} ] if defined $set{$name};
        } else {
            push @sent, $field;
        }
    }
    push @sent, map { [ $_, $set{$_} ] } grep { !$done{$_} && defined $set{$_} } sort keys %set;
    push @sent, $type eq 'image' ? ([ "$button.x", 7 ], [ "$button.y", 4 ]) : ([ $button, 'x' ]);
    return $post->($script, Form(@sent));
}

# A poster for Submit that runs the scripts as CGI programs.
sub CgiPost {
    my ($shop) = @_;
    return sub { my (undef, $page) = RunCgi($shop, $_[0], 'body' => $_[1]); return $page };
}

# A whole order: the first category, the items @buy (as "PRODUCT|ITEM") into
# the cart, then every order step with the entries of $steps->{step} until a
# page has no "show_next" any more. Returns the pages by step number plus
# "category", "cart" and "receipt".
sub OrderWalk {
    my ($post, $steps, @buy) = @_;
    my %pages;
    my $page = $pages{'category'} = $post->('catalog.pl', Form([ 'categorypage_1.x', 3 ], [ 'categorypage_1.y', 3 ]));
    $page = $pages{'cart'} = Submit($post, $page, 'buy_10', map { ("add_$_" => 1) } @buy);
    $page = Submit($post, $page, 'show_order');
    for (1 .. 8) {
        my ($at) = $page =~ /NAME="ActivPage" VALUE="(\d)"/;
        last unless defined $at && $page =~ /NAME="show_next"/;
        $pages{$at} = $page;
        $page = Submit($post, $page, 'show_next', %{ $steps->{$at} || {} });
    }
    $pages{'receipt'} = $page;
    return \%pages;
}

# A loopback server in a child process: $handler->($client) runs for each
# of up to $count connections. Returns (port, pid).
sub Serve {
    my ($handler, $count) = @_;
    require IO::Socket::INET;
    my $listen = IO::Socket::INET->new('LocalAddr' => '127.0.0.1', 'LocalPort' => 0, 'Listen' => 5, 'ReuseAddr' => 1)
        or die "listen: $!";
    my $port = $listen->sockport;
    my $pid = fork();
    die "fork: $!" unless defined $pid;
    if ($pid == 0) {
        for (1 .. ($count || 1)) {
            my $client = $listen->accept or last;
            $handler->($client);
            close $client;
        }
        require POSIX;
        POSIX::_exit(0);
    }
    close $listen;
    return ($port, $pid);
}

sub Unescape {
    my ($text) = @_;
    $text =~ s/&quot;/"/g;
    $text =~ s/&lt;/</g;
    $text =~ s/&gt;/>/g;
    $text =~ s/&#39;/'/g;
    $text =~ s/&amp;/&/g;
    return $text;
}

1;
