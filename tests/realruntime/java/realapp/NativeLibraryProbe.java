package realapp;

/**
 * Loads the suite's JNI library by name, as an application's own code does,
 * and reports the number its native method gets from the DLL the library
 * imports, or the runtime's error when the library cannot be loaded.
 */
public class NativeLibraryProbe {
    static native int dependencyValue();

    public static void main(String[] args) {
        Main.out.println("java.library.path=" + System.getProperty("java.library.path"));
        try {
            System.loadLibrary("realjni");
            Main.out.println("value=" + dependencyValue());
        } catch (UnsatisfiedLinkError e) {
            Main.out.println("error=" + e.getMessage());
        }
    }
}
