"""The speed-up of kwt.batch on a local Dask cluster of 2 worker processes
over 1: the same recordings, each loaded with LoadPM/O and saved as .itx,
once per cluster size, the cluster's start included.

    PYTHONPATH=BUILD/python python3 bench/batch_dask.py RECORDINGS_DIR OUT_DIR

(run by bench/batch_dask.sh, which writes the recordings).  A file, not
standard input: the workers' processes start by importing it.
"""
import os
import sys
import time

import kwt.batch


def main():
    recordings, out = sys.argv[1], sys.argv[2]
    seconds = {}
    for workers in (1, 2):
        start = time.monotonic()
        rows = kwt.batch.run([recordings], 'LoadPM/O "{file}"',
                             os.path.join(out, "out%d" % workers), workers=workers)
        seconds[workers] = time.monotonic() - start
        if any(kwt.batch.failed(r) for r in rows):
            sys.exit("batch_dask: a recording failed")
    print("kwt.batch, %d recordings: 1 worker %.2f s, 2 workers %.2f s, speed-up %.2fx "
          "(%d cores, load average %.1f)" % (len(rows), seconds[1], seconds[2],
                                              seconds[1] / seconds[2], os.cpu_count(),
                                              os.getloadavg()[0]))


if __name__ == "__main__":
    main()
