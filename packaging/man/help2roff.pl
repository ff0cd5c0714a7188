#!/usr/bin/perl
# Writes a manual page from a program's --help text, so that the page lists every option the
# program itself knows. A program with subcommands ("Commands:" in its help) gets a section
# per command from "PROGRAM COMMAND --help". Hand-written sections (FILES, SEE ALSO, ...) come
# from an include file of roff text.
#
#   help2roff.pl NAME SUMMARY VERSION DATE INCLUDE PROGRAM > NAME.1
use strict;
use warnings;

die "usage: help2roff.pl NAME SUMMARY VERSION DATE INCLUDE PROGRAM\n" unless @ARGV == 6;
my ($name, $summary, $version, $date, $include, $program) = @ARGV;

sub help_of {
    my @command = @_;
    open(my $pipe, '-|', $program, @command, '--help') or die "help2roff: cannot run $program: $!\n";
    local $/;
    my $text = <$pipe>;
    close($pipe) or die "help2roff: $program @command --help failed\n";
    return $text;
}

# Escapes text for roff: backslashes, hyphens, and a leading dot or apostrophe.
sub esc {
    my ($text) = @_;
    $text =~ s/\\/\\e/g;
    $text =~ s/-/\\-/g;
    $text =~ s/^([.'])/\\&$1/;
    return $text;
}

# An item's tag: option names bold, their values italic ("-o, --output FILE").
sub tag {
    my ($text, $in_commands) = @_;
    return '\fB' . esc($text) . '\fR' if $in_commands;
    my @words = map {
        my $word = $_;
        my $comma = $word =~ s/,$// ? ',' : '';
        ($word =~ /^-/ ? '\fB' . esc($word) . '\fR' : '\fI' . esc($word) . '\fR') . $comma;
    } split(/ +/, $text);
    return join(' ', @words);
}

# Splits a help text into its usage lines and the roff of the rest. Headers ("Options:")
# become subsections at the top level and bold lines inside a command's section.
sub convert {
    my ($text, $nested) = @_;
    my @lines = split(/\n/, $text);
    my (@usage, @out);
    while (@lines && $lines[0] =~ /^(Usage:)?\s+\S|^Usage:/) {
        my $line = shift @lines;
        last if $line =~ /^\s*$/;
        $line =~ s/^Usage:\s*//;
        $line =~ s/^\s+//;
        if (@usage && $line !~ /^\Q$name\E\b/) {
            $usage[-1] .= " $line";
        } else {
            push @usage, $line;
        }
    }
    my ($in_commands, $item_indent, $paragraph) = (0, -1, 1);
    for my $line (@lines) {
        if ($line =~ /^\s*$/) {
            ($item_indent, $paragraph) = (-1, 1);
            next;
        }
        if ($line =~ /^(\S.*):$/) {
            my $header = $1;
            $in_commands = $header =~ /^Commands$/;
            push @out, $nested ? ('.PP', '\fB' . esc($header) . ':\fR') : ('.SS "' . esc($header) . '"');
            ($item_indent, $paragraph) = (-1, 0);
            next;
        }
        my ($indent) = $line =~ /^(\s*)/;
        my $depth = length($indent);
        if ($item_indent >= 0 && $depth > $item_indent + 1) {
            (my $more = $line) =~ s/^\s+//;
            push @out, esc($more);
            next;
        }
        my ($name_part, $text_part) = $line =~ /^\s+(-\S.*?|[a-z][a-z-]*)(?:\s{2,}(\S.*))?$/;
        if ($depth > 0 && defined $name_part && ($name_part =~ /^-/ || defined $text_part)) {
            push @out, '.TP', tag($name_part, $in_commands && $name_part !~ /^-/);
            push @out, esc($text_part) if defined $text_part;
            ($item_indent, $paragraph) = ($depth, 0);
            next;
        }
        (my $plain = $line) =~ s/^\s+//;
        if ($depth > 0 && ($paragraph || $item_indent >= 0)) {
            push @out, '.IP';
        } elsif ($paragraph) {
            push @out, '.PP';
        }
        push @out, esc($plain);
        ($item_indent, $paragraph) = ($depth > 0 ? $depth : -1, 0);
    }
    return (\@usage, \@out);
}

# Bold program (and subcommand) name, the rest as written.
sub synopsis {
    my ($line) = @_;
    my ($command, $rest) = $line =~ /^(\S+(?: [a-z][a-z-]*(?= |$))?)\s*(.*)$/;
    return ('.B ' . esc($command), (length $rest ? esc($rest) : ()), '.br');
}

my ($usage, $body) = convert(help_of(), 0);
my @commands;
my $in_commands = 0;
for my $line (split(/\n/, help_of())) {
    if ($line =~ /^(\S.*):$/) { $in_commands = $1 eq 'Commands'; next; }
    push @commands, $1 if $in_commands && $line =~ /^\s+([a-z][a-z-]*)\s{2,}/;
}

my (@synopsis, @sections);
for my $command (@commands) {
    my ($command_usage, $command_body) = convert(help_of($command), 1);
    push @synopsis, map { synopsis($_) } @$command_usage;
    push @sections, '.SS "' . esc("$name $command") . '"', (map { synopsis($_) } @$command_usage),
        @$command_body;
}
@synopsis = map { synopsis($_) } @$usage unless @synopsis;

my $upper = uc($name);
print ".TH \"" . esc($upper) . "\" 1 \"$date\" \"Recognize $version\" \"User Commands\"\n";
print ".SH NAME\n", esc($name), " \\- ", esc($summary), "\n";
print ".SH SYNOPSIS\n", join("\n", @synopsis), "\n";
print ".SH DESCRIPTION\n", join("\n", @$body), "\n";
print ".SH COMMANDS\n", join("\n", @sections), "\n" if @sections;
open(my $extra, '<', $include) or die "help2roff: cannot read $include: $!\n";
print while <$extra>;
