package realapp;

import java.io.PrintStream;
import java.nio.charset.StandardCharsets;

/**
 * Reports what a launch gave the program, one "key=value" line at a time in
 * UTF-8: every argument as code points, then for each argument "prop:NAME"
 * that system property as code points, for each "text:NAME" that property
 * as text, for each "env:NAME" that environment variable, and the heap's
 * limit as Runtime.maxMemory reads it.
 */
public class LaunchReport {
    static final PrintStream out = new PrintStream(System.out, true, StandardCharsets.UTF_8);

    public static void main(String[] args) {
        for (int i = 0; i < args.length; i++) out.println("arg" + i + "=" + Main.codePoints(args[i]));
        out.println("count=" + args.length);
        for (String arg : args) {
            if (arg.startsWith("prop:")) {
                String value = System.getProperty(arg.substring(5));
                out.println(arg + "=" + (value == null ? "null" : Main.codePoints(value)));
            } else if (arg.startsWith("text:")) {
                out.println(arg + "=" + System.getProperty(arg.substring(5)));
            } else if (arg.startsWith("env:")) {
                out.println(arg + "=" + System.getenv(arg.substring(4)));
            }
        }
        out.println("maxMemory=" + Runtime.getRuntime().maxMemory());
    }
}
