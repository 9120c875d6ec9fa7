# Test helpers: the fixture shop laid out as on a server, CGI runs of its
# scripts, a fake mail program, loopback servers and a browser-like walk.
package ShopFixture;

use strict;
use warnings;
use File::Temp qw(tempdir);
use File::Copy qw(copy);
use File::Path qw(make_path);
use File::Basename qw(dirname);
use Cwd qw(abs_path);
use IPC::Open3 qw(open3);
use Symbol qw(gensym);
use IO::Socket::INET;
use Time::HiRes ();
use Exporter qw(import);

our @EXPORT_OK = qw(MakeShop RunCgi LoadShop Mails FreePort StartWebServer StopServer Form Submit Serve OrderWalk CgiPost
    $SealKey);

# The fixture shops' secret for sealing card payments, as the program writes it.
our $SealKey = '5f0c2a9e7b3d41c6a8e2f0b9d7c5a3e1' . '0f1e2d3c4b5a69788796a5b4c3d2e1f0';

my $Scripts = abs_path(dirname(__FILE__) . '/../..');

sub Slurp {
    open(my $fh, '<', $_[0]) or die "$_[0]: $!";
    binmode $fh;
    local $/;
    return scalar <$fh>;
}

sub Spew {
    open(my $fh, '>', $_[0]) or die "$_[0]: $!";
    binmode $fh;
    print {$fh} $_[1];
    close $fh or die "$_[0]: $!";
    return;
}

# A shop in a fresh folder: "store/" with the data and picture folders,
# "cgi/" with the scripts as publishing writes them, "mail/" where the fake
# mail program puts each mail. %opt: config (Perl lines that override
# config.cnf), color (colour file text), url and cgi_url, olpcnf (lines of
# the card service; they come with a seal key unless seal_key says otherwise:
# undef for none).
sub MakeShop {
    my (%opt) = @_;
    my $root = tempdir('vendora-shop-XXXXXX', TMPDIR => 1, CLEANUP => 1);
    my $store = "$root/store/";
    make_path((map { "$store$_" } qw(data imgs thumbs prods cats lines wraps)), "$root/cgi", "$root/mail");
    Spew("$root/sendmail", "#!$^X\nmy \$n = time . \"-\$\$\";\n"
        . "open(my \$a, '>', \"$root/mail/\$n.args\") or die; print \$a join(' ', \@ARGV); close \$a;\n"
        . "open(my \$m, '>', \"$root/mail/\$n.eml\") or die; print \$m \$_ while <STDIN>; close \$m;\n"
        . "exit(\$ENV{'FAKE_SENDMAIL_FAIL'} ? 1 : 0);\n");
    chmod 0755, "$root/sendmail";
    my %sub = ('@STORE_URL@' => $opt{'url'} || 'http://127.0.0.1/shop/', '@CGI_URL@' => $opt{'cgi_url'} || 'http://127.0.0.1/cgi-bin/',
        '@STORE_PATH@' => $store, '@SENDMAIL@' => "$root/sendmail");
    foreach my $path (glob "$Scripts/t/fixtures/shop/data/*") {
        (my $file = $path) =~ s{.*/}{};
        my $text = $file eq 'color.cnf' && defined $opt{'color'} ? $opt{'color'} : Slurp($path);
        $text =~ s/(\@[A-Z_]+\@)/$sub{$1}/g;
        $text =~ s/\n1;\n\z/\n$opt{'config'}\n1;\n/ if $file eq 'config.cnf' && $opt{'config'};
        Spew("${store}data/$file", $text);
    }
    foreach my $script (qw(catalog.pl order.pl)) {
        Spew("$root/cgi/$script", "#!$^X\n#\nrequire '${store}data/config.cnf';\n\n" . Slurp("$Scripts/$script"));
    }
    copy("$Scripts/$_", "$root/cgi/$_") or die $! foreach qw(webcode.pm product.pm sales.pm Payvane.pm);
    my $key = exists $opt{'seal_key'} ? $opt{'seal_key'} : $SealKey;
    my $service = defined $opt{'olpcnf'} ? $opt{'olpcnf'} . (defined $key ? "\$SealKey = q{$key};\n" : '') : '';
    Spew("$root/cgi/olpcnf.pm", "# Vendora Payvane settings\n# Version 1.00\npackage\tolpcnf;\n\n"
        . "\$OLP_CardType{'euro'} = q{Eurocard / Mastercard};\n\$OLP_CardType{'visa'} = q{Visa};\n"
        . "\$OLP_CardType{'amex'} = q{American Express};\n\$OLP_CardType{'diner'} = q{Diners Club};\n"
        . $service . '1;');
    # The graphic set's pictures, so that the pages can be looked at.
    my $set = "$Scripts/../../../../resources/GraphicSets/Senator";
    copy($_, "${store}imgs/") foreach glob "$set/*.png";
    copy("$set/bl-logo.png", "${store}imgs/logo.gif");
    return { 'root' => $root, 'store' => $store, 'cgi' => "$root/cgi", 'mail' => "$root/mail" };
}

sub FreePort {
    my $probe = IO::Socket::INET->new('LocalAddr' => '127.0.0.1', 'LocalPort' => 0, 'Listen' => 1) or die "no port: $!";
    return $probe->sockport;
}

# lighttpd with mod_cgi on 127.0.0.1: pictures under "/shop/", scripts under
# "/cgi-bin/"; the shop's addresses must have been made with $port.
sub StartWebServer {
    my ($shop, $port) = @_;
    my $root = $shop->{'root'};
    mkdir "$root/www";
    Spew("$root/lighttpd.conf", <<"CONF");
server.modules = ("mod_access", "mod_alias", "mod_cgi")
server.bind = "127.0.0.1"
server.port = $port
server.document-root = "$root/www"
server.errorlog = "$root/lighttpd.log"
alias.url = ("/cgi-bin/" => "$shop->{'cgi'}/", "/shop/" => "$shop->{'store'}")
\$HTTP["url"] =~ "^/shop/data/" { url.access-deny = ("") }
\$HTTP["url"] =~ "^/cgi-bin/" { cgi.assign = (".pl" => "$^X") }
url.access-deny += (".pm", ".cnf", ".pos")
mimetype.assign = (".png" => "image/png", ".gif" => "image/gif", ".jpg" => "image/jpeg")
CONF
    my $pid = fork() // die "fork: $!";
    if ($pid == 0) {
        open(STDOUT, '>', "$root/lighttpd.out") && open(STDERR, '>&', \*STDOUT);
        exec(-x '/usr/sbin/lighttpd' ? '/usr/sbin/lighttpd' : 'lighttpd', '-D', '-f', "$root/lighttpd.conf") or exit 127;
    }
    $shop->{'server'} = $pid;
    for (1 .. 100) {
        return $port if IO::Socket::INET->new('PeerAddr' => '127.0.0.1', 'PeerPort' => $port);
        Time::HiRes::sleep(0.1);
    }
    die 'lighttpd did not start: ' . Slurp("$root/lighttpd.out");
}

sub StopServer {
    my $pid = delete $_[0]{'server'} or return;
    kill 'TERM', $pid;
    waitpid($pid, 0);
    return;
}

# An url-encoded form body from [name, value] pairs.
sub Form {
    my $enc = sub { (my $s = shift) =~ s/([^A-Za-z0-9_.~-])/sprintf('%%%02X', ord $1)/ge; $s };
    return join '&', map { $enc->($_->[0]) . '=' . $enc->($_->[1]) } @_;
}

# Runs a script of the shop as a CGI program; returns (head, body). %req:
# body, query, method, type (of the body). A warning of the script fails the
# test.
sub RunCgi {
    my ($shop, $script, %req) = @_;
    my $body = defined $req{'body'} ? $req{'body'} : '';
    local $ENV{'REQUEST_METHOD'} = $req{'method'} || (length $body ? 'POST' : 'GET');
    local $ENV{'QUERY_STRING'} = defined $req{'query'} ? $req{'query'} : '';
    local $ENV{'CONTENT_LENGTH'} = length $body;
    local $ENV{'CONTENT_TYPE'} = $req{'type'} || 'application/x-www-form-urlencoded';
    local $SIG{'PIPE'} = 'IGNORE';
    my $pid = open3(my $in, my $out, my $err = gensym, $^X, "$shop->{'cgi'}/$script");
    print {$in} $body;
    close $in;
    my ($text, $errors) = map { local $/; my $t = <$_>; defined $t ? $t : '' } $out, $err;
    waitpid($pid, 0);
    die "$script: $? $errors" if $? || length $errors;
    return split /\r\n\r\n/, $text, 2;
}

# Loads config, language and colour file into main, as the scripts do, and
# the modules. (A required file starts in the package of its caller.)
sub LoadShop {
    my ($shop) = @_;
    unshift @INC, $shop->{'cgi'};
    foreach my $file ("$shop->{'store'}data/config.cnf", \'Language', \'GraphicSet') {
        my $path = ref $file ? $main::ConfFile{$$file} : $file;
        package main;    ## no critic (ProhibitMultiplePackages)
        require $path;
    }
    require 'webcode.pm';    ## no critic (RequireBarewordIncludes)
    require 'product.pm';    ## no critic (RequireBarewordIncludes)
    require 'sales.pm';      ## no critic (RequireBarewordIncludes)
    require Payvane;
    require olpcnf;
    WebCode::Init();
    return;
}

# The mails in the sink, oldest first: [ { args, text } ].
sub Mails {
    my $dir = $_[0]{'mail'};
    my @names = sort { -M "$dir/$b.eml" <=> -M "$dir/$a.eml" || $a cmp $b } map { m{([^/]*)\.eml$} } glob "$dir/*.eml";
    return [ map { { 'args' => Slurp("$dir/$_.args"), 'text' => Slurp("$dir/$_.eml") } } @names ];
}

# Presses $button on $page as a browser would: the fields of its form
# (hidden and text fields, chosen options, checked boxes), changed by %set
# (undef removes a field), and the button itself; $post->(script, body).
sub Submit {
    my ($post, $page, $button, %set) = @_;
    my %char = ('quot' => '"', 'lt' => '<', 'gt' => '>', '#39' => "'", 'amp' => '&');
    my $plain = sub { (my $t = shift) =~ s/&(quot|lt|gt|#39|amp);/$char{$1}/g; $t };
    my ($form) = grep { /<INPUT[^>]*NAME="\Q$button\E"/ } $page =~ m{(<FORM\b.*?)(?=<FORM\b|\z)}gis or die "no $button";
    my ($script) = $form =~ /ACTION="[^"]*?([^\/"]*)"/;
    my $image = $form =~ /<INPUT[^>]*NAME="\Q$button\E"[^>]*TYPE=IMAGE/;
    my (@sent, %done);
    while ($form =~ m{<INPUT\b([^>]*)>|<TEXTAREA\b[^>]*NAME="([^"]*)"[^>]*>(.*?)</TEXTAREA>|<SELECT\b[^>]*NAME="([^"]*)"[^>]*>(.*?)</SELECT>}gis) {
        my ($input, $area, $text, $select, $options) = ($1, $2, $3, $4, $5);
        my ($name, $value);
        if (defined $input) {
            ($name) = $input =~ /NAME="([^"]*)"/;
            my ($kind) = map { lc } $input =~ /TYPE=(\w+)/i;
            next if !defined $name || ($kind || '') =~ /^(?:submit|image)$/
                || (($kind || '') =~ /^(?:radio|checkbox)$/ && $input !~ /CHECKED/);
            ($value) = $input =~ /VALUE="([^"]*)"/;
        } elsif (defined $area) {
            ($name, $value) = ($area, $text);
        } else {
            ($value) = $options =~ /<OPTION VALUE="?([^">]*)"? SELECTED/ or ($value) = $options =~ /<OPTION VALUE="?([^">]*)"?/;
            $name = $select;
        }
        if (exists $set{$name}) {
            push @sent, [ $name, $set{$name} ] if defined $set{$name} && !$done{$name}++;
        } else {
            push @sent, [ $name, $plain->(defined $value ? $value : '') ];
        }
    }
    push @sent, map { [ $_, $set{$_} ] } grep { !$done{$_} && defined $set{$_} } sort keys %set;
    push @sent, $image ? ([ "$button.x", 7 ], [ "$button.y", 4 ]) : ([ $button, 'x' ]);
    return $post->($script, Form(@sent));
}

sub CgiPost {
    my ($shop) = @_;
    return sub { return (RunCgi($shop, $_[0], 'body' => $_[1]))[1] };
}

# A whole order: the first category, the items @buy ("PRODUCT|ITEM") into the
# cart, then each order step with the entries $steps->{step} until a page
# has no "show_next". Returns the pages by step, "category", "cart", "receipt".
sub OrderWalk {
    my ($post, $steps, @buy) = @_;
    my %pages;
    my $page = $pages{'category'} = $post->('catalog.pl', 'categorypage_1.x=3&categorypage_1.y=3');
    $page = $pages{'cart'} = Submit($post, $page, 'buy_10', map { ("add_$_" => 1) } @buy);
    $page = Submit($post, $page, 'show_order');
    for (1 .. 8) {
        my ($at) = $page =~ /NAME="ActivPage" VALUE="(\d)"/;
        last unless defined $at && $page =~ /NAME="show_next"/;
        $page = Submit($post, $pages{$at} = $page, 'show_next', %{ $steps->{$at} || {} });
    }
    $pages{'receipt'} = $page;
    return \%pages;
}

# A loopback server in a child process running $handler->($client) for up to
# $count connections. Returns (port, pid).
sub Serve {
    my ($handler, $count) = @_;
    my $listen = IO::Socket::INET->new('LocalAddr' => '127.0.0.1', 'LocalPort' => 0, 'Listen' => 5) or die "listen: $!";
    my $pid = fork() // die "fork: $!";
    if ($pid == 0) {
        for (1 .. ($count || 1)) {
            my $client = $listen->accept or last;
            $handler->($client);
            close $client;
        }
        require POSIX;
        POSIX::_exit(0);
    }
    my $port = $listen->sockport;
    close $listen;
    return ($port, $pid);
}

1;
