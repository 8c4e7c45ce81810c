#pragma once
// A Perl script that walks one tag of an .mdx with XBase::Index (a reader
// nobody here wrote) and prints "key|record" a line, in the file's order.
// Arguments: the .mdx, the tag, its key type. Numeric keys are decoded from
// their packed-decimal form, dates from their stored day numbers, both
// printed like CDbaseTag::Keys().

inline constexpr const char* kXBaseWalk = R"(
use XBase::Index;
my ($file, $tag, $type) = @ARGV;
my $index = XBase::Index->new($file, 'tag' => $tag) or die XBase::Index->errstr;
$index->prepare_select;
while (my ($key, $rec) = $index->fetch) {
    if ($type eq 'N') {
        my @b = unpack('C12', $key);
        my $count = ($b[1] & 0x7f) >> 2;
        my $digits = '';
        for my $i (0 .. $count - 1) { my $byte = $b[2 + int($i / 2)]; $digits .= $i % 2 ? ($byte & 15) : ($byte >> 4); }
        my $value = ($count ? $digits : 0) * 10 ** ($b[0] - 0x34 - $count);
        $value = -$value if $b[1] & 0x80;
        $key = sprintf('%.10g', $value);
    } elsif ($type eq 'D') {
        $key = sprintf('%.10g', unpack('d', $key));
    }
    print "$key|$rec\n";
}
)";
