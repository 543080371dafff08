#!/usr/bin/perl
# Loads a database with Palm::PDB (an independent reader) and prints what it
# found, one field a line, so that tests can compare it with what they wrote.
use strict;
use warnings;
use Palm::PDB;
use Palm::Raw;

my $file = shift or die "usage: pdb_dump.pl file\n";
my $pdb = Palm::PDB->new;
$pdb->Load($file);

my %dbflag = (ResDB => 0x0001, ReadOnly => 0x0002, AppInfoDirty => 0x0004, Backup => 0x0008,
              OKToInstallNewer => 0x0010, ResetAfterInstall => 0x0020, CopyPrevention => 0x0040,
              Stream => 0x0080, Hidden => 0x0100, LaunchableData => 0x0200, Open => 0x8000);
my $flags = 0;
for my $k (keys %dbflag) { $flags |= $dbflag{$k} if $pdb->{attributes}{$k}; }

printf "name=%s\n", $pdb->{name};
printf "type=%s\n", $pdb->{type};
printf "creator=%s\n", $pdb->{creator};
printf "flags=0x%04x\n", $flags;
printf "version=%d\n", $pdb->{version};
printf "ctime=%d\n", $pdb->{ctime};
printf "mtime=%d\n", $pdb->{mtime};
printf "baktime=%d\n", $pdb->{baktime};
printf "appinfo=%s\n", unpack("H*", defined $pdb->{appinfo} ? $pdb->{appinfo} : "");
my $records = $pdb->{records} || [];
printf "records=%d\n", scalar @$records;
my %recflag = (Delete => 0x80, Dirty => 0x40, Busy => 0x20, Secret => 0x10);
for my $r (@$records) {
  my $attrs = 0;
  for my $k (keys %recflag) { $attrs |= $recflag{$k} if $r->{attributes}{$k}; }
  printf "record id=%d attrs=0x%02x cat=%d size=%d data=%s\n", $r->{id}, $attrs,
    $r->{category} || 0, length($r->{data}), unpack("H*", $r->{data});
}
