/* The reference for the load benchmarks: the least a loader of the same
 * samples has to do.  It reads them with pread in 1 MiB blocks and
 * converts them (value x factor, in double, rounded to float) into one
 * buffer of 32-bit floats, mapped on a huge-page boundary and advised for
 * huge pages.  Nothing else: no trees, no names, no notes.
 *
 *   reference_load DATA PLAN   PLAN lines: offset count format order factor
 *                              (format i16, i32 or f32; order le or be)
 *   reference_load --warm MB   maps, touches and frees MB of memory: on a
 *                              virtual machine freshly mapped memory is
 *                              cheap only for a while after it was freed
 *
 * Prints the number of samples and the sum of every 4096th value, so that
 * the work cannot be left out and two runs can be compared. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#define HUGE_PAGE (2u << 20)
#define BLOCK (1u << 20)

struct Item {
  long long offset, count;
  int width, isFloat, bigEndian;
  double factor;
};

static void* MapHuge(size_t bytes) {
  size_t length = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
  char* p = mmap(NULL, length + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                 -1, 0);
  if (p == MAP_FAILED) return NULL;
  char* base = (char*)(((uintptr_t)p + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE);
  madvise(base, length, MADV_HUGEPAGE);
  return base;
}

static int Warm(long megabytes) {
  size_t bytes = (size_t)megabytes << 20;
  char* p = MapHuge(bytes);
  if (p == NULL) return 1;
  for (size_t i = 0; i < bytes; i += 4096) p[i] = 1;
  return 0;
}

/* One loop per stored type and byte order, each simple enough for the
 * compiler to vectorize. */
#define CONVERT_LOOP(BITS, STORED, SWAP)                      \
  for (size_t i = 0; i < n; ++i) {                            \
    BITS u;                                                   \
    memcpy(&u, in + i * sizeof(BITS), sizeof(BITS));          \
    u = SWAP(u);                                              \
    STORED v;                                                 \
    memcpy(&v, &u, sizeof v);                                 \
    out[i] = (float)((double)v * factor);                     \
  }
#define NO_SWAP(u) (u)

static void Convert(const unsigned char* in, size_t n, const struct Item* it, float* out) {
  const double factor = it->factor;
  if (it->width == 2 && it->bigEndian) {
    CONVERT_LOOP(uint16_t, int16_t, __builtin_bswap16)
  } else if (it->width == 2) {
    CONVERT_LOOP(uint16_t, int16_t, NO_SWAP)
  } else if (it->isFloat && it->bigEndian) {
    CONVERT_LOOP(uint32_t, float, __builtin_bswap32)
  } else if (it->isFloat) {
    CONVERT_LOOP(uint32_t, float, NO_SWAP)
  } else if (it->bigEndian) {
    CONVERT_LOOP(uint32_t, int32_t, __builtin_bswap32)
  } else {
    CONVERT_LOOP(uint32_t, int32_t, NO_SWAP)
  }
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--warm") == 0) return Warm(atol(argv[2]));
  if (argc != 3) {
    fprintf(stderr, "usage: %s DATA PLAN | --warm MB\n", argv[0]);
    return 2;
  }
  FILE* plan = fopen(argv[2], "r");
  if (plan == NULL) return 2;
  struct Item items[4096];
  size_t count = 0;
  long long total = 0;
  char format[8], order[8];
  while (count < 4096 && fscanf(plan, "%lld %lld %7s %7s %lf", &items[count].offset,
                                &items[count].count, format, order, &items[count].factor) == 5) {
    struct Item* it = &items[count++];
    it->width = strcmp(format, "i16") == 0 ? 2 : 4;
    it->isFloat = strcmp(format, "f32") == 0;
    it->bigEndian = strcmp(order, "be") == 0;
    total += it->count;
  }
  fclose(plan);
  int fd = open(argv[1], O_RDONLY);
  float* out = MapHuge((size_t)total * sizeof(float));
  unsigned char* block = malloc(BLOCK);
  if (fd < 0 || out == NULL || block == NULL) return 1;
  float* at = out;
  for (size_t k = 0; k < count; ++k) {
    const struct Item* it = &items[k];
    long long bytes = it->count * it->width, done = 0;
    while (done < bytes) {
      size_t want = bytes - done < BLOCK ? (size_t)(bytes - done) : BLOCK;
      ssize_t got = pread(fd, block, want, it->offset + done);
      if (got <= 0) return 1;
      size_t n = (size_t)got / (size_t)it->width;
      Convert(block, n, it, at);
      at += n;
      done += (long long)(n * (size_t)it->width);
    }
  }
  double check = 0;
  for (long long i = 0; i < total; i += 4096) check += out[i];
  printf("%lld samples, check %.6g\n", total, check);
  return 0;
}
