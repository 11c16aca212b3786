package demo;

/** The sample application of the demo: it shows what the launcher gave it. */
public class Hello {
    public static void main(String[] args) {
        System.out.println("Hello from a Java application started by the launcher.");
        System.out.println("Arguments (" + args.length + "):");
        for (String a : args) {
            System.out.println("  [" + a + "]");
        }
        System.out.println("Runtime: " + System.getProperty("java.vm.name") + " "
                + System.getProperty("java.version") + " in " + System.getProperty("java.home"));
        System.out.println("QX_JVM_HOME = " + System.getenv("QX_JVM_HOME"));
        System.out.println("QX_JVM_PATH = " + System.getenv("QX_JVM_PATH"));
        System.out.println("Maximum heap: " + Runtime.getRuntime().maxMemory() / (1024 * 1024) + " MiB");
        System.exit(args.length);
    }
}
