// jemalloc's settings, which it reads from this variable (its interface) as it starts.
//
// A listing's songs, texts and lines are new memory, a few kilobytes a song, and the kernel maps
// new memory in on its first touch, one page at a time: in 4 kB pages that was a fifth of a
// warm 10,000-song listing's time on a virtual machine, where each fault costs most. In 2 MB
// pages (transparent huge pages, where the system allows a program to ask for them) it happens
// 512 times less often. MALLOC_CONF in the environment still has the last word.
extern "C" {
__attribute__((visibility("default"))) const char* malloc_conf = "thp:always,metadata_thp:auto";
}
