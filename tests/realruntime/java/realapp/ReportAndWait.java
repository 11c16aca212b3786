package realapp;

import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * Writes the report of PinnedRuntimeReport into the file its first argument
 * names, then works until the file its second argument names exists (a
 * minute at most), as a program with a window would: the launcher's work
 * after main then has the time it needs.
 */
public class ReportAndWait {
    public static void main(String[] args) throws Exception {
        PinnedRuntimeReport.main(new String[] {args[0]});
        for (int i = 0; i < 600 && !Files.exists(Paths.get(args[1])); ++i) {
            Thread.sleep(100);
        }
    }
}
