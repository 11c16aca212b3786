package bench;

import java.awt.Frame;
import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.PrintStream;
import java.lang.reflect.Method;
import java.util.Arrays;

/**
 * Runs another program's main class in this process and, as soon as that
 * program's first frame is on screen, prints "window=" and the wall-clock
 * time (microseconds since the epoch), then ends the process. The start-up
 * benchmark times real applications with it that print nothing of the kind.
 */
public class WindowWatch {
    public static void main(String[] args) throws Exception {
        // Taken before the program may put streams of its own in place.
        PrintStream out = new PrintStream(new FileOutputStream(FileDescriptor.out), true);
        Thread watch = new Thread(() -> {
            for (;;) {
                for (Frame frame : Frame.getFrames()) {
                    if (frame.isShowing()) {
                        java.time.Instant now = java.time.Instant.now();
                        out.println("window=" + (now.getEpochSecond() * 1_000_000L + now.getNano() / 1_000));
                        System.exit(0);
                    }
                }
                try {
                    Thread.sleep(2);
                } catch (InterruptedException e) {
                    return;
                }
            }
        });
        watch.setDaemon(true);
        watch.start();
        Method main = Class.forName(args[0]).getMethod("main", String[].class);
        main.invoke(null, (Object) Arrays.copyOfRange(args, 1, args.length));
        watch.join();
    }
}
