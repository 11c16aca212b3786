package realapp;

import java.io.File;

/**
 * Started from one jar of a class path, it loads ClassPathPart, which the
 * tests put in another, and says which jar each came from and how long the
 * class path was.
 */
public class ClassPathProbe {
    public static void main(String[] args) {
        String classPath = System.getProperty("java.class.path");
        System.out.println("entries=" + classPath.split(File.pathSeparator).length);
        System.out.println("length=" + classPath.length());
        System.out.println("probe=" + jarOf(ClassPathProbe.class));
        System.out.println("part=" + jarOf(ClassPathPart.class));
        System.out.println("partSays=" + ClassPathPart.word());
    }

    static String jarOf(Class<?> c) {
        return new File(c.getProtectionDomain().getCodeSource().getLocation().getPath()).getName();
    }
}
