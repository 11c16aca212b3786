package probe;

import java.io.PrintStream;
import java.nio.charset.StandardCharsets;

/**
 * A Java program for the launcher's end-to-end tests. The first argument
 * chooses what it does; it reports on standard output in UTF-8, one
 * "key=value" line at a time, so that the tests can read it exactly.
 */
public class Main {
    public static void main(String[] args) throws Exception {
        PrintStream out = new PrintStream(System.out, true, StandardCharsets.UTF_8);
        String mode = args.length > 0 ? args[0] : "";
        for (int i = 0; i < args.length; i++) {
            out.println("arg" + i + "=" + codePoints(args[i]));
        }
        out.println("count=" + args.length);
        switch (mode) {
            case "env":
                out.println("QX_JVM_PATH=" + System.getenv("QX_JVM_PATH"));
                out.println("QX_JVM_HOME=" + System.getenv("QX_JVM_HOME"));
                out.println("PATH=" + System.getenv("PATH"));
                out.println("java.library.path=" + System.getProperty("java.library.path"));
                out.println("java.class.path=" + System.getProperty("java.class.path"));
                out.println("probe.value=" + System.getProperty("probe.value"));
                out.println("maxMemory=" + Runtime.getRuntime().maxMemory());
                break;
            case "exit":
                System.exit(Integer.parseInt(args[1]));
                break;
            case "throw":
                throw new IllegalStateException("thrown by the probe");
            case "throw-beside-thread":
                // A thread that outlives main, as a window would; with a code
                // it ends the program through System.exit.
                String code = args.length > 1 ? args[1] : null;
                Thread later = new Thread(() -> {
                    try {
                        Thread.sleep(500);
                    } catch (InterruptedException ignored) {
                    }
                    out.println("worker=done");
                    if (code != null) System.exit(Integer.parseInt(code));
                });
                later.start();
                throw new IllegalStateException("thrown by the probe");
            case "print":
                System.out.println("to standard output");
                System.err.println("to standard error");
                break;
            case "thread":
                Thread worker = new Thread(() -> {
                    try {
                        Thread.sleep(500);
                    } catch (InterruptedException ignored) {
                    }
                    out.println("worker=done");
                });
                worker.start();
                break;
            case "until":
                // Runs on until the test makes the file, or until the file
                // holds the text (at most three minutes, as background work
                // at a low priority may wait long for a turn on a busy
                // machine): a start that stays while others come and go, or
                // while its own background work ends.
                out.println("QX_JVM_HOME=" + System.getenv("QX_JVM_HOME"));
                java.nio.file.Path mark = java.nio.file.Path.of(args[1]);
                String text = args.length > 2 ? args[2] : "";
                for (int i = 0; i < 1800; i++) {
                    try {
                        if (java.nio.file.Files.readString(mark).contains(text)) break;
                    } catch (java.io.IOException notYet) {
                    }
                    Thread.sleep(100);
                }
                break;
            case "recurse":
                out.println("depth=" + depth(Integer.parseInt(args[1])));
                break;
            default:
                break;
        }
        out.println("main=returned");
    }

    static int depth(int n) {
        return n == 0 ? 0 : 1 + depth(n - 1);
    }

    static String codePoints(String s) {
        StringBuilder b = new StringBuilder();
        s.codePoints().forEach(c -> b.append(b.length() == 0 ? "" : " ").append(Integer.toHexString(c)));
        return "[" + b + "]";
    }
}
