package realapp;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * Writes which runtime runs it, as "key=value" lines in UTF-8, into the
 * file its first argument names: launcher.exe has no console whose output
 * a test could read.
 */
public class PinnedRuntimeReport {
    public static void main(String[] args) throws Exception {
        String report = "home=" + System.getProperty("java.home") + "\n"
                + "version=" + System.getProperty("java.version") + "\n"
                + "vm=" + System.getProperty("java.vm.name") + "\n"
                + "args=" + (args.length - 1) + "\n";
        Files.write(Paths.get(args[0]), report.getBytes(StandardCharsets.UTF_8));
    }
}
