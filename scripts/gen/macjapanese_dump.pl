#!/usr/bin/perl
# Prints the Mac OS Japanese mapping that perl's Encode carries (Encode::JP, "MacJapanese"),
# found by decoding every single byte and every two-byte code of the encoding's layout.
#
# Output, one mapping a line:  CODE<TAB>U1 U2 ...   (hex; CODE is 2 digits for one byte, 4 for two)
# Then, on stderr, each code whose decoded text does not encode back to the same bytes.
# Encode's encoder cannot produce the multi-character sequences, so those are listed there too;
# the generator takes the reverse direction from the decoding alone.
use strict;
use warnings;
use Encode ();

my $enc = Encode::find_encoding('MacJapanese') or die "Encode has no MacJapanese\n";
print STDERR "Encode $Encode::VERSION\n";

sub units {
    my ($text) = @_;
    my $utf16 = Encode::encode('UTF-16BE', $text);
    return join ' ', map { sprintf '%04X', $_ } unpack('n*', $utf16);
}

sub dump_code {
    my ($bytes, $label) = @_;
    my $copy = $bytes;
    my $text = $enc->decode($copy, Encode::FB_QUIET);
    return unless length($text) && length($copy) == 0;
    print "$label\t", units($text), "\n";
    my $back = $enc->encode(my $t = $text, Encode::FB_QUIET);
    print STDERR "one-way $label\t", units($text), "\n" if $back ne $bytes;
}

dump_code(chr($_), sprintf('%02X', $_)) for 0x00 .. 0xFF;
for my $lead (0x81 .. 0x9F, 0xE0 .. 0xFC) {
    for my $trail (0x40 .. 0x7E, 0x80 .. 0xFC) {
        dump_code(chr($lead) . chr($trail), sprintf('%02X%02X', $lead, $trail));
    }
}
