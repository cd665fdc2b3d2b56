// Settings of the program's memory allocator, jemalloc.
//
// A batch run allocates and frees buffers of tens of megabytes for every picture: the decoded
// pixels, the decoder's coefficients, the filtered rows of a PNG. The C library's allocator
// maps each such buffer afresh and the kernel then faults it in one 4 KiB page at a time, which
// costs as much as decoding the picture. jemalloc keeps freed pages for the next picture, and
// with "thp:always" asks for 2 MiB transparent huge pages, so a buffer is faulted in 512 times
// faster when it is new. One arena lets every worker thread reuse the pages any other freed;
// pages unused for ten seconds go back to the system (jemalloc's default decay), and so does
// their address space ("retain:false"): kept, it is not always reused for the next picture,
// and under an address-space limit (ulimit -v) a run would fail for room it does not use.
extern "C" {
// jemalloc reads this symbol of the program at start-up.
const char* malloc_conf = "thp:always,narenas:1,retain:false";
}
