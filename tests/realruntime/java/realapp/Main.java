package realapp;

import java.io.PrintStream;
import java.nio.charset.StandardCharsets;

/**
 * The real-runtime suite's program. The first argument chooses what it
 * does; it reports on standard output in UTF-8, one "key=value" line at a
 * time, so that the tests read it exactly whatever the console's code page.
 */
public class Main {
    static final PrintStream out = new PrintStream(System.out, true, StandardCharsets.UTF_8);

    public static void main(String[] args) throws Exception {
        String mode = args.length > 0 ? args[0] : "";
        for (int i = 0; i < args.length; i++) out.println("arg" + i + "=" + codePoints(args[i]));
        out.println("count=" + args.length);
        switch (mode) {
            case "about":
                out.println("vm=" + System.getProperty("java.vm.name") + " " + System.getProperty("java.vm.version"));
                out.println("vendor=" + System.getProperty("java.vendor"));
                out.println("version=" + System.getProperty("java.version"));
                out.println("home=" + System.getProperty("java.home"));
                break;
            case "env":
                for (String name : new String[] {"QX_JVM_HOME", "QX_JVM_PATH"}) out.println(name + "=" + System.getenv(name));
                for (String name : new String[] {"java.class.path", "java.library.path", "realapp.value", "java.home"}) {
                    out.println(name + "=" + System.getProperty(name));
                }
                out.println("maxMemory=" + Runtime.getRuntime().maxMemory());
                out.println("totalMemory=" + Runtime.getRuntime().totalMemory());
                break;
            case "exit":
                System.exit(Integer.parseInt(args[1]));
                break;
            case "exit-from-thread":
                // main returns at once; another thread ends the program.
                Thread ender = new Thread(() -> {
                    pause(300);
                    out.println("thread=exiting");
                    System.exit(Integer.parseInt(args[1]));
                });
                ender.start();
                break;
            case "outlive":
                // A non-daemon thread that outlives main: the program ends
                // when it does.
                Thread worker = new Thread(() -> {
                    pause(500);
                    out.println("worker=done");
                });
                worker.start();
                break;
            default:
                break;
        }
        out.println("main=returned");
    }

    static void pause(long millis) {
        try {
            Thread.sleep(millis);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }

    static String codePoints(String s) {
        StringBuilder b = new StringBuilder();
        s.codePoints().forEach(c -> b.append(b.length() == 0 ? "" : " ").append(Integer.toHexString(c)));
        return "[" + b + "]";
    }
}
