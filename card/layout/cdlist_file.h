// "cdlist.txt" in the root of the card's FAT partition.
#pragma once

struct card_context;

// Rewrites the listing file: through the mounted file system when the card's
// FAT partition is mounted, else sector by sector into the partition on the
// card. A partition that holds no FAT12 file system, or a file that cannot be
// created, skips the file; a failed transfer on the card fails.
bool cdlist_write(card_context *c);
