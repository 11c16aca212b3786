package probe;

import java.awt.Rectangle;
import java.awt.SplashScreen;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Reports whether the runtime shows a splash screen that it was handed
 * before main began: "splash=true|false" and, when there is one,
 * "bounds=x,y,width,height". With two arguments it then writes the file
 * named by the second, and waits (a minute at most) for the file named by
 * the first, so that a test can look at the screen meanwhile.
 */
public class SplashCheck {
    public static void main(String[] args) throws Exception {
        SplashScreen splash = SplashScreen.getSplashScreen();
        System.out.println("splash=" + (splash != null && splash.isVisible()));
        if (splash != null) {
            Rectangle b = splash.getBounds();
            System.out.println("bounds=" + b.x + "," + b.y + "," + b.width + "," + b.height);
        }
        System.out.flush();
        if (args.length < 2) return;
        Files.writeString(Path.of(args[1]), "ready");
        Path flag = Path.of(args[0]);
        for (int i = 0; i < 600 && !Files.exists(flag); i++) Thread.sleep(100);
    }
}
