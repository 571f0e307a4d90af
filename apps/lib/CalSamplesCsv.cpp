#include "CalSamplesCsv.h"

#include "AhrsLogReader.h"

void CalSamplesCsv_write(FILE* f, const CalReplay& r)
{
    fputs("time,log_line,yaw_deg,pitch_deg,roll_deg,magX_G,magY_G,magZ_G,correctedX_G,correctedY_G,correctedZ_G,"
          "magnitude_residual_before_pct,magnitude_residual_after_pct,vertical_residual_after_pct\n",
          f);
    // Floats with nine significant digits read back exactly; a failed solve leaves "nan".
    for (const CalKeptSample& k : r.kept)
    {
        const AqHsiYmr& m = k.meas;
        fprintf(f, "%s,%ld,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n",
                AhrsLogReader_formatTime(k.time_ns).c_str(), k.line, m.ypr.c[0], m.ypr.c[1], m.ypr.c[2], m.mag.c[0],
                m.mag.c[1], m.mag.c[2], k.corrected[0], k.corrected[1], k.corrected[2], k.residualBefore * 100.0,
                k.residualAfter * 100.0, k.verticalAfter * 100.0);
    }
}
